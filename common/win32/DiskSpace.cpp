#include "common/win32/DiskSpace.h"

#include <windows.h>

#include <utility>

namespace tavrix::win32 {
namespace {

DiskSpaceHandler& currentHandler() {
    static DiskSpaceHandler handler;
    return handler;
}

// The extended query counts in 64 bits and honours quotas; where it fails,
// the cluster counts of the older one, multiplied out in 64 bits so that
// volumes beyond 4 GiB keep their size.
DiskSpace systemFigures(const std::string& folder) {
    std::string root = folder;
    if (!root.empty() && root.back() != '\\' && root.back() != '/') root += '\\';
    DiskSpace space;
    ULARGE_INTEGER available{}, total{};
    if (::GetDiskFreeSpaceExA(root.c_str(), &available, &total, nullptr)) {
        space.freeBytes = static_cast<std::int64_t>(available.QuadPart);
        space.totalBytes = static_cast<std::int64_t>(total.QuadPart);
        return space;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                            &totalClusters)) {
        const std::int64_t cluster = static_cast<std::int64_t>(sectorsPerCluster) * bytesPerSector;
        space.freeBytes = cluster * freeClusters;
        space.totalBytes = cluster * totalClusters;
    }
    return space;
}

}  // namespace

DiskSpace diskSpaceOf(const std::string& folder) {
    const auto& handler = currentHandler();
    return handler ? handler(folder) : systemFigures(folder);
}

DiskSpaceHandler setDiskSpaceHandler(DiskSpaceHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace tavrix::win32
