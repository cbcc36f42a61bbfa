// QzpPack's questions on the console. The component's boxes that ask
// something (overwrite a volume? try another disk? insert the next disk)
// become a question on the error stream and an answer read from the standard
// input; boxes that only tell are answered OK, since their text reaches the
// error stream through OnMessage already. Without console input (its end,
// or none at all) every question is answered Cancel, so that the command
// fails cleanly instead of waiting or going on unasked.
#pragma once

#include "common/win32/MessageBoxSeam.h"

#include <cstdio>

namespace tavrix::qzppack {

// The button the answer read from `in` chooses for `box`; the question goes
// to `out`.
int askOnConsole(const win32::MessageBoxRequest& box, std::FILE* in, std::FILE* out);

// Every box of the program from now on: a question on standard input and
// the error stream.
void askQuestionsOnConsole();

}  // namespace tavrix::qzppack
