#include "common/win32/FileBytes.h"

#include <windows.h>

#include "common/win32/UniqueHandle.h"

namespace tavrix::win32 {

std::optional<std::string> readFileBytes(const std::string& path) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return std::nullopt;
    std::string bytes;
    char chunk[64 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr)) return std::nullopt;
        if (got == 0) return bytes;
        bytes.append(chunk, got);
    }
}

}  // namespace tavrix::win32
