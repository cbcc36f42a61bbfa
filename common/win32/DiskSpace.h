// The one place the free space of a volume is asked for.
//
// The program asks the system; a test installs a handler that reports the
// figures it needs, so a full disk can be played without filling one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tavrix::win32 {

// Bytes free for this user and bytes in all on the volume that holds a
// folder (a drive root such as "C:\" or any folder on it); -1 for a figure
// the system does not give.
struct DiskSpace {
    std::int64_t freeBytes = -1;
    std::int64_t totalBytes = -1;
};

DiskSpace diskSpaceOf(const std::string& folder);

// Replaces the handler (an empty handler restores the system's figures) and
// returns the previous one.
using DiskSpaceHandler = std::function<DiskSpace(const std::string& folder)>;
DiskSpaceHandler setDiskSpaceHandler(DiskSpaceHandler handler);

}  // namespace tavrix::win32
