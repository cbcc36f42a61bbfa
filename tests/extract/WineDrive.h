// Defines a drive letter of Wine's through its mount manager, as Wine's
// configuration tool does: unlike a re-pointed dosdevices link, this makes
// Wine read the volume anew, its label (the folder's .windows-label) too.
// Shared by the floppy drive of the tests and the walk's disk changer.
#pragma once

#include <windows.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

namespace tavrix::wine {

// The request Wine's mount manager takes (its own layout, not a Windows one).
struct WineUnixDriveRequest {
    ULONG size, type, fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset, deviceOffset, labelOffset;
};

inline constexpr DWORD kWineDefineUnixDrive =
    CTL_CODE(0x6d, 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);

// Points drive `letter` ('a'..'z') at a Unix folder as a drive of `type`
// (DRIVE_REMOVABLE, DRIVE_FIXED, ...); DRIVE_NO_ROOT_DIR with an empty path
// takes the letter away. False where there is no Wine mount manager to ask
// or it refuses.
inline bool defineWineDrive(char letter, ULONG type, const std::string& unixPath) {
    std::vector<char> request(sizeof(WineUnixDriveRequest) + unixPath.size() + 1, 0);
    WineUnixDriveRequest drive{};
    drive.size = static_cast<ULONG>(request.size());
    drive.type = type;
    drive.letter = static_cast<WCHAR>(letter);
    drive.mountPointOffset = unixPath.empty() ? 0 : static_cast<USHORT>(sizeof(WineUnixDriveRequest));
    std::memcpy(request.data(), &drive, sizeof drive);
    std::memcpy(request.data() + sizeof drive, unixPath.c_str(), unixPath.size());
    HANDLE manager = ::CreateFileW(L"\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (manager == INVALID_HANDLE_VALUE) return false;
    DWORD got = 0;
    const BOOL ok = ::DeviceIoControl(manager, kWineDefineUnixDrive, request.data(),
                                      static_cast<DWORD>(request.size()), nullptr, 0, &got, nullptr);
    const DWORD error = ::GetLastError();  // the refusal's reason, for the caller to report
    ::CloseHandle(manager);
    ::SetLastError(error);
    return ok != FALSE;
}

}  // namespace tavrix::wine
