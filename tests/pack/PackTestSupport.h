// Scratch trees for the Add and Delete tests with the real engines: files
// written with chosen contents and ages, the archive's bytes, and a component
// that records its messages and can be stopped from its progress handler.
#pragma once

#include "tests/extract/ExtractTestSupport.h"

#include <windows.h>

#include <cstdint>
#include <fstream>
#include <string>

namespace tavrix::archive::testing {

inline void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Sets a file's modification time to `secondsAgo` before now.
inline bool setAge(const std::string& path, std::int64_t secondsAgo) {
    FILETIME now;
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
    t.QuadPart -= static_cast<std::uint64_t>(secondsAgo) * 10'000'000ull;
    const FILETIME stamp{t.LowPart, t.HighPart};
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::SetFileTime(file, nullptr, nullptr, &stamp) != 0;
    ::CloseHandle(file);
    return ok;
}

// Bytes that deflate a little and differ from seed to seed.
inline std::string mixedBytes(std::size_t size, std::uint32_t seed) {
    std::string out(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = (i / 64) % 3 == 0 ? static_cast<char>('a' + i % 26) : static_cast<char>(x & 0xFF);
    }
    return out;
}

inline std::string realEnginesDir() {
    return programDir() + "engines\\real";
}

}  // namespace tavrix::archive::testing
