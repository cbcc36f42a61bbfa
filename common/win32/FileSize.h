// A file's size from its attributes, without opening it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

namespace tavrix::win32 {

// None for a folder or nothing there.
inline std::optional<std::uint64_t> fileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return (std::uint64_t{attributes.nFileSizeHigh} << 32) | attributes.nFileSizeLow;
}

}  // namespace tavrix::win32
