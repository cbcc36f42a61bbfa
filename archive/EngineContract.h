// The engines' contract as the component speaks it: in its own namespace.
#pragma once

#include "CallBack.h"
#include "EngineEntryPoints.h"
#include "EngineRecords.h"

namespace tavrix::archive {
using namespace contract;
}  // namespace tavrix::archive
