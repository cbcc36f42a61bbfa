// The stub's window: where to extract, which files (when the settings ask),
// what to do with files that exist, the command to run, progress.
#pragma once

#include <string>

#include "sfx/StubExtraction.h"

namespace tavrix::sfx {

// Shows the dialog until the user is done; the program's exit code (0 when
// the files were extracted).
int runStubDialog(StubArchive& stub, const std::string& programPathAnsi);

}  // namespace tavrix::sfx
