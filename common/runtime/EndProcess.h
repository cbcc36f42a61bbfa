// How the shipped files end when the runtime cannot go on: memory that
// cannot be had, or a fault of the program itself.
#pragma once

namespace tavrix::runtime {

inline constexpr const char* kOutOfMemoryText = "There is not enough memory to go on; the program ends.\r\n";
inline constexpr const char* kInternalFaultText = "An internal error ends the program.\r\n";

// Writes the text to the error output, or shows it in a box when there is
// none (a program with windows), and ends the process with exit code 3, as
// abort does, without running anything of the program's that may need memory.
[[noreturn]] void endProcess(const char* text) noexcept;

}  // namespace tavrix::runtime
