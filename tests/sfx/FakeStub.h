// A stand-in for the stub's file in native tests: the smallest PE headers
// whose section table says where the image ends, then whatever follows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/ByteCursor.h"

namespace tavrix::sfxtest {

struct FakeSection {
    std::uint32_t rawOffset;
    std::uint32_t rawSize;
};

// Headers at the front, then zero bytes up to the image's end; `fill` is
// written into the image (at offset 0x400) to stand for the program's code.
inline std::string fakeStub(const std::vector<FakeSection>& sections, std::uint32_t sizeOfHeaders = 0x400,
                            const std::string& fill = {}) {
    std::uint64_t end = sizeOfHeaders;
    for (const FakeSection& s : sections)
        if (s.rawSize && s.rawOffset + s.rawSize > end) end = s.rawOffset + s.rawSize;
    std::string image(end, '\0');
    auto* b = reinterpret_cast<std::uint8_t*>(image.data());
    b[0] = 'M';
    b[1] = 'Z';
    storeLe32(b + 0x3C, 0x80);
    std::uint8_t* pe = b + 0x80;
    storeLe32(pe, 0x00004550);
    storeLe16(pe + 4, 0x014C);  // i386
    storeLe16(pe + 6, static_cast<std::uint16_t>(sections.size()));
    storeLe16(pe + 20, 224);                 // optional header of a PE32 file
    storeLe16(pe + 24, 0x010B);              // PE32 magic
    storeLe32(pe + 24 + 60, sizeOfHeaders);  // SizeOfHeaders
    std::uint8_t* table = pe + 24 + 224;
    for (std::size_t i = 0; i < sections.size(); ++i) {
        std::uint8_t* h = table + 40 * i;
        h[0] = '.';
        h[1] = 's';
        storeLe32(h + 16, sections[i].rawSize);
        storeLe32(h + 20, sections[i].rawOffset);
    }
    if (!fill.empty() && image.size() >= 0x400 + fill.size()) image.replace(0x400, fill.size(), fill);
    return image;
}

}  // namespace tavrix::sfxtest
