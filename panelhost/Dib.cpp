#include <cstddef>

#include "common/ByteCursor.h"
#include "panelhost/Image.h"

namespace tavrix::panel {

namespace {

constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint16_t kIndexedBits = 8;
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kMaxPaletteEntries = 256;
// Gauge artwork is a few hundred pixels across; anything far larger is damage.
constexpr std::int32_t kMaxSide = 4096;

DibResult refuse(const char* why) {
    return {std::nullopt, why};
}

}  // namespace

DibResult decodePackedDib(std::span<const std::uint8_t> bytes) {
    ByteCursor in(bytes);
    const std::uint32_t headerSize = in.u32();
    const auto width = static_cast<std::int32_t>(in.u32());
    const auto rawHeight = static_cast<std::int32_t>(in.u32());
    const std::uint16_t planes = in.u16();
    const std::uint16_t bits = in.u16();
    const std::uint32_t compression = in.u32();
    in.skip(12);  // image size, resolution
    std::uint32_t paletteEntries = in.u32();
    in.skip(4);  // important colours
    if (!in.ok()) return refuse("truncated bitmap header");
    if (headerSize != kInfoHeaderSize) return refuse("unsupported bitmap header size");
    if (planes != 1 || bits != kIndexedBits) return refuse("not an 8-bit bitmap");
    if (compression != kUncompressed) return refuse("compressed bitmap");
    // Rows are stored bottom-up; a negative height would mean top-down, which
    // bitmap resources do not use.
    if (width <= 0 || rawHeight <= 0 || width > kMaxSide || rawHeight > kMaxSide)
        return refuse("bad bitmap size");
    if (paletteEntries == 0) paletteEntries = kMaxPaletteEntries;
    if (paletteEntries > kMaxPaletteEntries) return refuse("palette too large");

    std::vector<std::uint32_t> palette(paletteEntries);
    for (auto& colour : palette) {
        const std::uint8_t b = in.u8(), g = in.u8(), r = in.u8();
        in.skip(1);
        colour = rgb(r, g, b);
    }
    if (!in.ok()) return refuse("truncated palette");

    // Check the pixels are all there before making room for them: a damaged
    // header must not cost the host an image's worth of memory.
    const std::size_t stride = (static_cast<std::size_t>(width) + 3) & ~std::size_t{3};
    if (stride * static_cast<std::size_t>(rawHeight) > in.remaining()) return refuse("truncated pixels");

    Image image{width, rawHeight, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * rawHeight)};
    for (int row = rawHeight - 1; row >= 0; --row) {
        auto line = in.bytes(stride);
        if (!in.ok()) return refuse("truncated pixels");
        for (int x = 0; x < width; ++x) {
            const std::uint8_t index = line[static_cast<std::size_t>(x)];
            if (index >= paletteEntries) return refuse("pixel outside the palette");
            image.at(x, row) = palette[index];
        }
    }
    return {std::move(image), {}};
}

std::vector<std::uint8_t> encodeBmp24(const Image& image) {
    const std::size_t stride = (static_cast<std::size_t>(image.width) * 3 + 3) & ~std::size_t{3};
    const std::size_t pixelBytes = stride * image.height;
    constexpr std::size_t kHeaders = 14 + 40;
    std::vector<std::uint8_t> out(kHeaders + pixelBytes, 0);
    std::uint8_t* p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    storeLe32(p + 2, static_cast<std::uint32_t>(out.size()));
    storeLe32(p + 10, kHeaders);
    storeLe32(p + 14, 40);
    storeLe32(p + 18, static_cast<std::uint32_t>(image.width));
    storeLe32(p + 22, static_cast<std::uint32_t>(image.height));
    storeLe16(p + 26, 1);
    storeLe16(p + 28, 24);
    storeLe32(p + 34, static_cast<std::uint32_t>(pixelBytes));
    storeLe32(p + 38, 2835);
    storeLe32(p + 42, 2835);
    for (int y = 0; y < image.height; ++y) {
        std::uint8_t* line = p + kHeaders + stride * (image.height - 1 - y);
        for (int x = 0; x < image.width; ++x) {
            const std::uint32_t c = image.at(x, y);
            line[3 * x] = blue(c);
            line[3 * x + 1] = green(c);
            line[3 * x + 2] = red(c);
        }
    }
    return out;
}

}  // namespace tavrix::panel
