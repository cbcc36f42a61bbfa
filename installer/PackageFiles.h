// The package folder: where the running program lies, and the package files
// looked up there (the description file Ostrel.ini, the archive, the
// agreement text, the splash picture). Nothing here ever writes to it.
#pragma once

#include <string>

#include "common/support/TextResult.h"

namespace tavrix::installer {

// The folder of the running program, with its trailing backslash.
const std::string& programFolder();
void setProgramFolder(std::string folder);
// The folder part of a program path, trailing backslash included.
std::string folderOfPath(const std::string& path);

// The package archive in `folder`: "Setup.qzp", or, for a package that
// comes as a spanned set of numbered files (Setup001.qzp, Setup002.qzp, ...),
// the last of them, which holds the set's directory. "Setup.qzp" when
// neither is there.
std::string packageArchive(const std::string& folder);

// A whole file's bytes; fails with "Cannot open file <path>" when it cannot be read.
TextResult<std::string> readWholeFile(const std::string& path);

// One opening of Ostrel.ini. Every read goes to the file afresh; a missing
// file or key yields the current value of the target, passed as default.
// Only a package on a removable disk differs: the description is copied
// from the first disk when first opened, and the copy is read while another
// disk is in the drive.
class PackageDescription {
public:
    PackageDescription();
    std::string read(const char* section, const char* key, const std::string& current) const;

private:
    std::string path_;
};

}  // namespace tavrix::installer
