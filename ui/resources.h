#pragma once

namespace tresvik {

// Makes the console's built-in resources (icons, icon strips) reachable under ":/". They are
// linked from a static library, where nothing else would pull them in. Safe to call often.
void useResources();

}  // namespace tresvik
