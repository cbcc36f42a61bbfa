// Decides whether an entry's name may become a path below the extraction
// folder, whatever the archive says. The same rules hold on every platform,
// so an archive behaves alike on Windows and in the native tests.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrix::zip {

enum class NameVerdict {
    kOk,
    kEmpty,    // nothing to create (for example "./")
    kOutside,  // "..", absolute, drive letter, UNC: would leave the folder
    kInvalid,  // device name, ':' stream, trailing dot or space, bad character
};

struct CheckedName {
    NameVerdict verdict = NameVerdict::kEmpty;
    std::vector<std::string> components;  // folders, then the file (kOk only)
};

// `name` is UTF-8; both '/' and '\' separate folders.
CheckedName checkEntryName(std::string_view name);

// A component that Windows would not create as named, or would map to a device.
bool isInvalidComponent(std::string_view component);

}  // namespace tavrix::zip
