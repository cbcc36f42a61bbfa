#include "common/win32/FormatDriveSeam.h"

#include "common/win32/UniqueHandle.h"

#include <utility>

namespace tavrix::win32 {
namespace {

FormatDriveHandler& currentHandler() {
    static FormatDriveHandler handler;
    return handler;
}

using ShFormatDrive = DWORD(WINAPI*)(HWND, UINT, UINT, UINT);

}  // namespace

DWORD formatDrive(const FormatDriveRequest& request) {
    const auto& handler = currentHandler();
    if (handler) return handler(request);
    UniqueModule shell(::LoadLibraryA("Shell32.dll"));
    if (!shell) return kFormatFailed;
    auto format = reinterpret_cast<ShFormatDrive>(
        reinterpret_cast<void*>(::GetProcAddress(shell.get(), "SHFormatDrive")));
    if (format == nullptr) return kFormatFailed;
    return format(request.owner, request.drive, request.formatId, request.options);
}

FormatDriveHandler setFormatDriveHandler(FormatDriveHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace tavrix::win32
