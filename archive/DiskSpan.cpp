// Drive and volume checks shared by listing and the spanning routines.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/Win32Support.h"
#include "common/win32/DiskSpace.h"

#include <cctype>

namespace tavrix::archive {

namespace {
constexpr int kStoreFree = 1;
constexpr int kStoreSize = 2;
}  // namespace

void TArchiveBuilder::DiskFreeAndSize(int which) {
    const win32::DiskSpace space = win32::diskSpaceOf(driveRoot_);
    if (which & kStoreFree) diskFree_ = space.freeBytes;
    if (which & kStoreSize) diskSize_ = space.totalBytes;
}

bool TArchiveBuilder::IsDiskPresent() {
    const bool network = !driveRoot_.empty() && driveRoot_[0] == '\\';
    if (!network) {
        const char letter = driveRoot_.empty()
                                ? '\0'
                                : static_cast<char>(std::toupper(static_cast<unsigned char>(driveRoot_[0])));
        if (letter < 'A' || letter > 'Z') return fail(EArchiveBuilder(msg::InvalidDrive, driveRoot_));
        if ((::GetLogicalDrives() & (1u << (letter - 'A'))) == 0)
            return fail(EArchiveBuilder(msg::DriveUndefined, driveRoot_));
    }
    ErrorModeScope quiet(kQuietErrorMode);
    DiskFreeAndSize(kStoreFree | kStoreSize);
    char label[MAX_PATH + 1] = {};
    DWORD serial = 0;
    if (!::GetVolumeInformationA(driveRoot_.c_str(), label, sizeof label, &serial, nullptr, nullptr, nullptr,
                                 0)) {
        // An unformatted disk is fine when it is going to be formatted anyway.
        return ::GetLastError() == ERROR_GEN_FAILURE && addOptions_.has(AddDiskSpanErase);
    }
    volumeLabel_ = label;
    volumeSerial_ = serial;
    return network || diskSize_ != -1;
}

}  // namespace tavrix::archive
