// The engines' contract as the component speaks it: the records, the
// callback and the entry points by their own names, without the namespace.
#pragma once

#include "contract/CallBack.h"
#include "contract/EngineEntryPoints.h"
#include "contract/EngineRecords.h"

namespace tavrix::archive {
using enum contract::EngineAction;
using contract::EngineAction;
using contract::EngineCallbackRecord;
using contract::EngineExecProc;
using contract::EngineVersionProc;
using contract::kCallbackTextCapacity;
using contract::kOldLayoutMaxSpecs;
using contract::kPackNewLayoutAbove;
using contract::kPackRecordVersion;
using contract::kRecordMarker;
using contract::kUnpackNewLayoutAbove;
using contract::kUnpackRecordVersion;
using contract::PackExecCommon;
using contract::PackExecRecordNew;
using contract::PackExecRecordOld;
using contract::PackFileSpec;
using contract::RecordAddress;
using contract::recordAddress;
using contract::recordPointer;
using contract::UnpackExecCommon;
using contract::UnpackExecRecordNew;
using contract::UnpackExecRecordOld;
using contract::UnpackFileSpec;
}  // namespace tavrix::archive
