// CRC-32 as ZIP stores it (reflected polynomial 0xEDB88320), for code that
// compares files with an archive's entries without linking the engines' zlib.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tavrix {

namespace detail {
constexpr std::array<std::uint32_t, 256> makeCrc32Table() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}
inline constexpr std::array<std::uint32_t, 256> kCrc32Table = makeCrc32Table();
}  // namespace detail

// Continues a CRC over more bytes; start with 0.
inline std::uint32_t crc32(std::uint32_t crc, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) crc = detail::kCrc32Table[(crc ^ bytes[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace tavrix
