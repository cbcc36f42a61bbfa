// Drive and volume checks shared by listing and the spanning routines.
#include "ArchiveBuilder.h"

#include "MessageIds.h"
#include "Win32Support.h"

#include <cctype>

namespace tavrix::archive {

namespace {
constexpr int kStoreFree = 1;
constexpr int kStoreSize = 2;
}  // namespace

void TArchiveBuilder::DiskFreeAndSize(int which) {
    std::int64_t freeBytes = -1;
    std::int64_t totalBytes = -1;
    ULARGE_INTEGER available{}, total{};
    if (::GetDiskFreeSpaceExA(driveRoot_.c_str(), &available, &total, nullptr)) {
        freeBytes = static_cast<std::int64_t>(available.QuadPart);
        totalBytes = static_cast<std::int64_t>(total.QuadPart);
    } else {
        DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
        if (::GetDiskFreeSpaceA(driveRoot_.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                                &totalClusters)) {
            const std::int64_t cluster = static_cast<std::int64_t>(sectorsPerCluster) * bytesPerSector;
            freeBytes = cluster * freeClusters;
            totalBytes = cluster * totalClusters;
        }
    }
    if (which & kStoreFree) diskFree_ = freeBytes;
    if (which & kStoreSize) diskSize_ = totalBytes;
}

bool TArchiveBuilder::IsDiskPresent() {
    const bool network = !driveRoot_.empty() && driveRoot_[0] == '\\';
    if (!network) {
        const char letter = driveRoot_.empty()
                                ? '\0'
                                : static_cast<char>(std::toupper(static_cast<unsigned char>(driveRoot_[0])));
        if (letter < 'A' || letter > 'Z') throw EArchiveBuilder(msg::InvalidDrive, driveRoot_);
        if ((::GetLogicalDrives() & (1u << (letter - 'A'))) == 0)
            throw EArchiveBuilder(msg::DriveUndefined, driveRoot_);
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
