// VelskinExport LIBRARY FOLDER
//
// Loads a skin library the way the installer does and writes every bitmap
// (as NAME.bmp) and every icon group (as NAME.ico) it holds into FOLDER, so
// the pictures can be looked at exactly as the library carries them.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <span>
#include <string>
#include <vector>

#include "common/ByteCursor.h"
#include "common/win32/UniqueHandle.h"
#include "skin/ResourceBytes.h"

namespace {

using tavrix::ByteCursor;
using tavrix::skin::resourceBytes;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kGroupHeaderSize = 6;
constexpr std::size_t kGroupEntrySize = 14;
constexpr std::size_t kIconEntrySize = 16;
constexpr std::size_t kBitCountField = 14;     // in the bitmap info header
constexpr std::size_t kColoursUsedField = 32;  // in the bitmap info header

BOOL CALLBACK collectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
    auto& list = *reinterpret_cast<std::vector<std::string>*>(names);
    if (IS_INTRESOURCE(name)) {
        char number[16];
        std::snprintf(number, sizeof number, "#%u", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(name)));
        list.emplace_back(number);
    } else {
        list.emplace_back(name);
    }
    return TRUE;
}

std::vector<std::string> namesOf(HMODULE module, LPCSTR type) {
    std::vector<std::string> names;
    EnumResourceNamesA(module, type, collectName, reinterpret_cast<LONG_PTR>(&names));
    return names;
}

void put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

// A bitmap resource is a DIB without the file header; the header's pixel
// offset follows from the info header's size and its colour-table length.
bool bitmapFile(std::span<const std::uint8_t> dib, Bytes& out) {
    ByteCursor header(dib);
    const std::uint32_t infoSize = header.u32();
    header.seek(kBitCountField);
    const std::uint16_t bits = header.u16();
    header.seek(kColoursUsedField);
    const std::uint32_t used = header.u32();
    if (!header.ok() || infoSize > dib.size()) return false;
    const std::uint64_t entries = used ? used : (bits <= 8 ? (1u << bits) : 0);
    const std::uint64_t pixelOffset = kFileHeaderSize + infoSize + entries * 4;
    if (pixelOffset > kFileHeaderSize + dib.size()) return false;
    out.assign({'B', 'M'});
    put32(out, static_cast<std::uint32_t>(kFileHeaderSize + dib.size()));
    put32(out, 0);
    put32(out, static_cast<std::uint32_t>(pixelOffset));
    out.insert(out.end(), dib.begin(), dib.end());
    return true;
}

// An icon group lists its images by resource id; the file lists them by
// offset, with the images following the directory.
bool iconFile(HMODULE module, std::span<const std::uint8_t> group, Bytes& out) {
    ByteCursor cursor(group);
    const std::uint16_t reserved = cursor.u16();
    const std::uint16_t type = cursor.u16();
    const std::uint16_t count = cursor.u16();
    if (!cursor.ok() || reserved != 0 || type != 1) return false;
    Bytes directory, images;
    put16(directory, 0);
    put16(directory, 1);
    put16(directory, count);
    const std::uint32_t firstImage = static_cast<std::uint32_t>(kGroupHeaderSize + count * kIconEntrySize);
    for (std::uint16_t i = 0; i < count; ++i) {
        ByteCursor entry = cursor.sub(kGroupEntrySize);
        auto head = entry.bytes(8);
        entry.u32();  // the image size, taken from the image resource itself
        const std::uint16_t id = entry.u16();
        if (!entry.ok()) return false;
        auto image = resourceBytes(module, MAKEINTRESOURCEA(id), RT_ICON);
        if (image.empty()) return false;
        directory.insert(directory.end(), head.begin(), head.end());
        put32(directory, static_cast<std::uint32_t>(image.size()));
        put32(directory, firstImage + static_cast<std::uint32_t>(images.size()));
        images.insert(images.end(), image.begin(), image.end());
    }
    out = directory;
    out.insert(out.end(), images.begin(), images.end());
    return true;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: VelskinExport LIBRARY FOLDER\n");
        return 2;
    }
    tavrix::win32::UniqueModule module(LoadLibraryA(argv[1]));
    if (!module) {
        std::fprintf(stderr, "cannot load %s (error %lu)\n", argv[1], GetLastError());
        return 1;
    }
    const std::string folder = std::string(argv[2]) + "\\";
    int failures = 0;
    auto save = [&](const std::string& name, bool made, const Bytes& bytes) {
        if (made && writeFile(folder + name, bytes)) {
            std::printf("%s\n", name.c_str());
        } else {
            std::fprintf(stderr, "cannot export %s\n", name.c_str());
            ++failures;
        }
    };
    for (const std::string& name : namesOf(module.get(), RT_BITMAP)) {
        Bytes bytes;
        save(name + ".bmp", bitmapFile(resourceBytes(module.get(), name.c_str(), RT_BITMAP), bytes), bytes);
    }
    for (const std::string& name : namesOf(module.get(), RT_GROUP_ICON)) {
        Bytes bytes;
        auto group = resourceBytes(module.get(), name.c_str(), RT_GROUP_ICON);
        save(name + ".ico", iconFile(module.get(), group, bytes), bytes);
    }
    return failures == 0 ? 0 : 1;
}
