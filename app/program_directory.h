#pragma once

#include <QString>

namespace tresvik {

// The folder the console keeps its files in, ending in "/": the program's own folder, or the
// user's data folder for the program when the program's folder cannot be written (an
// installed program), so that nothing is silently lost.
QString programDirectory();

}  // namespace tresvik
