// CRC-32 as ZIP stores it (reflected polynomial 0xEDB88320), for code that
// compares files with an archive's entries without linking the engines' zlib.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrix {

namespace detail {
// Made on first use rather than stored: the shipped files carry no 1 KB
// table (a constant one would be stored, and so would a zero-filled one in a
// header, which the Windows linker keeps as initialised data). Kept for the
// program's life; for code on one thread, the installer's.
inline const std::uint32_t* crc32Table() {
    static std::uint32_t* table = nullptr;
    if (!table) {
        auto* made = new std::uint32_t[256];
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            made[n] = c;
        }
        table = made;
    }
    return table;
}
}  // namespace detail

// Continues a CRC over more bytes; start with 0.
inline std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::uint32_t* table = detail::crc32Table();
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace tavrix
