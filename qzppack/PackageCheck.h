// `QzpPack check FOLDER`: reads a package folder as the installer will and
// prints what it found, each problem with its fix, and the folder the
// installer would propose for each simulator.
#pragma once

#include <string>

namespace tavrix::qzppack {

// 0 when the package will install as intended, 1 when a problem was found.
// The archive is tested with the engine beside QzpPack.
int checkPackageFolder(const std::string& folder);

}  // namespace tavrix::qzppack
