#pragma once

#include <QString>

namespace tresvik {

// The folder the console keeps its files in, ending in "/": the program's own folder, or the
// user's data folder for the program when the program is installed or its folder cannot be
// written, so that nothing is silently lost.
// With `create` false the user's data folder is named but not made (for help texts).
QString programDirectory(bool create = true);

}  // namespace tresvik
