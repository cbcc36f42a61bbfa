// The running program's full path, however long: the system cuts the answer
// to the buffer it is given without failing, so a fixed buffer can hand back
// a truncated folder.
#pragma once

#include <string>

namespace tavrix::win32 {

std::string programPath();

}  // namespace tavrix::win32
