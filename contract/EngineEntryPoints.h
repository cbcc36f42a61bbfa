// The two exports every engine library offers, with the standard calling
// convention: one call with an exec record, and the version that selects the
// record's layout.
#pragma once

namespace tavrix::contract {

using EngineExecProc = int(__stdcall*)(void* record);
using EngineVersionProc = int(__stdcall*)();

}  // namespace tavrix::contract
