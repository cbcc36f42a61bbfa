// Pixels as the host keeps them: 0x00RRGGBB words, rows top-down.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tavrix::panel {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    std::uint32_t& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline constexpr std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}
inline constexpr std::uint8_t red(std::uint32_t c) {
    return static_cast<std::uint8_t>(c >> 16);
}
inline constexpr std::uint8_t green(std::uint32_t c) {
    return static_cast<std::uint8_t>(c >> 8);
}
inline constexpr std::uint8_t blue(std::uint32_t c) {
    return static_cast<std::uint8_t>(c);
}

// Pure black: the colour a transparent element does not draw.
inline constexpr std::uint32_t kTransparentColour = 0;

struct DibResult {
    std::optional<Image> image;
    std::string error;  // why the bytes were refused, when image is empty
};

// Reads a packed device-independent bitmap as stored in a bitmap resource:
// a 40-byte information header, a palette and 8-bit pixels, uncompressed.
DibResult decodePackedDib(std::span<const std::uint8_t> bytes);

// A whole .bmp file (24 bits per pixel, bottom-up) of the image.
std::vector<std::uint8_t> encodeBmp24(const Image& image);

}  // namespace tavrix::panel
