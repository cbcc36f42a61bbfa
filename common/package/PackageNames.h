// The names of the files a package folder holds beside the installer, as the
// installer looks them up, and the profile keys it reads from the
// description. Shared with the makers' package check.
#pragma once

#include <string>

#include "common/support/ZeroPadded.h"

namespace tavrix::package {

inline constexpr const char* kDescriptionName = "Ostrel.ini";
inline constexpr const char* kArchiveName = "Setup.qzp";
inline constexpr const char* kAgreementName = "licens.qzt";
inline constexpr const char* kInstallerProgramName = "Corvinel.exe";
inline constexpr const char* kSkinLibraryName = "Velskin.dll";
inline constexpr const char* kUnpackEngineName = "UNPACK32.DLL";

// A spanned set's volumes: Setup001.qzp, Setup002.qzp, ... up to 999.
inline constexpr int kMaxVolumes = 999;
inline std::string volumeArchiveName(int volume) {
    return "Setup" + zeroPadded(static_cast<unsigned>(volume), 3) + ".qzp";
}

}  // namespace tavrix::package
