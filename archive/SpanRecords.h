// What both directions of spanning share on the Windows side.
#pragma once

#include <windows.h>

namespace tavrix::archive::span {

// Numbered files, no prompts; anything else is a drive of disks.
inline bool isFixedOrNetwork(UINT driveType) {
    return driveType == DRIVE_FIXED || driveType == DRIVE_REMOTE;
}

}  // namespace tavrix::archive::span
