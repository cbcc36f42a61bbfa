// What QzpPack's command line reader promises for any argument list, checked
// by the fuzz target; each check traps when the promise is broken.
#pragma once

#include <string>
#include <vector>

namespace tavrix::qzppack::fuzz {

// Parses `args` (the program's name left out) and checks the outcome.
void checkCommandLine(const std::vector<std::string>& args);

// Checks spanSizeOf(text) against a plain reading of digits and a K or M.
void checkSpanSize(const std::string& text);

}  // namespace tavrix::qzppack::fuzz
