// What the engines' file patterns promise for any pattern and entry name,
// checked by the fuzz target; each check traps when the promise is broken.
#pragma once

#include <string_view>

namespace tavrix::qzppack::fuzz {

void checkPattern(std::string_view pattern, std::string_view name);

}  // namespace tavrix::qzppack::fuzz
