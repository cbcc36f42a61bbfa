// A picture file as the installer's splash shows it: a bitmap, an icon or a
// metafile, chosen by the file's extension. The package check loads the
// splash through the same code, so that what it accepts the installer shows.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteCursor.h"
#include "common/win32/FileBytes.h"
#include "common/win32/UniqueHandle.h"

namespace tavrix::win32 {

struct PictureFile {
    enum class Kind { None, Bitmap, Icon, Metafile };
    Kind kind = Kind::None;
    // The handle of its kind; the others stay empty.
    UniqueGdiObject bitmap;
    UniqueIcon icon;
    UniqueEnhancedMetafile metafile;
    int width = 0;
    int height = 0;
};

namespace picture_file {

constexpr int kScreenPixelsPerInch = 96;
constexpr int kHundredthMillimetresPerInch = 2540;

// Icon file: a directory of images; the first one is shown.
constexpr std::uint16_t kIconFileType = 1;
constexpr std::size_t kIconDirectorySize = 6;
constexpr std::size_t kIconEntrySize = 16;

}  // namespace picture_file

// Loads `path` into `picture`; the extension (any letter case) chooses the
// kind: "bmp", "ico", "emf" or "wmf". Gives the loader's message when it
// fails ("Unknown picture file extension (.x)", "Cannot open file <path>",
// "Bitmap image is not valid", ...), else an empty text. Defined here so
// that it folds into the one caller each program has: the installer's size
// is budgeted to the byte.
inline std::string loadPictureFile(const std::string& path, PictureFile& picture) {
    auto dot = path.find_last_of(".\\/:");
    std::string extension =
        (dot != std::string::npos && path[dot] == '.') ? path.substr(dot + 1) : std::string();
    std::string kind = extension;
    std::transform(kind.begin(), kind.end(), kind.begin(), [](unsigned char c) { return std::tolower(c); });
    if (kind != "bmp" && kind != "ico" && kind != "emf" && kind != "wmf")
        return {"Unknown picture file extension (." + extension + ")"};

    const std::optional<std::string> text = win32::readFileBytes(path);
    if (!text) return {"Cannot open file " + path};
    const std::vector<std::uint8_t> bytes(text->begin(), text->end());

    if (kind == "bmp") {
        picture.kind = PictureFile::Kind::Bitmap;
        picture.bitmap.reset(
            ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        if (!picture.bitmap) return {"Bitmap image is not valid"};
        BITMAP info{};
        ::GetObjectA(picture.bitmap.get(), sizeof info, &info);
        picture.width = info.bmWidth;
        picture.height = info.bmHeight;
    } else if (kind == "ico") {
        ByteCursor directory(bytes);
        const auto reserved = directory.u16();
        const auto type = directory.u16();
        const auto count = directory.u16();
        const auto width = directory.u8();
        const auto height = directory.u8();
        directory.skip(picture_file::kIconEntrySize - 2 - 8);
        const auto size = directory.u32();
        const auto offset = directory.u32();
        std::uint64_t end = 0;
        if (!directory.ok() || reserved != 0 || type != picture_file::kIconFileType || count == 0 ||
            !addWithin(offset, size, bytes.size(), end) ||
            offset < picture_file::kIconDirectorySize + picture_file::kIconEntrySize)
            return {"Icon image is not valid"};
        picture.width = width ? width : 256;
        picture.height = height ? height : 256;
        picture.kind = PictureFile::Kind::Icon;
        picture.icon.reset(::CreateIconFromResourceEx(const_cast<std::uint8_t*>(bytes.data() + offset), size,
                                                      TRUE, 0x00030000, picture.width, picture.height,
                                                      LR_DEFAULTCOLOR));
        if (!picture.icon) return {"Icon image is not valid"};
    } else if (kind == "emf") {
        picture.kind = PictureFile::Kind::Metafile;
        picture.metafile.reset(::SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data()));
        ENHMETAHEADER header{};
        if (!picture.metafile || !::GetEnhMetaFileHeader(picture.metafile.get(), sizeof header, &header))
            return {"Metafile is not valid"};
        picture.width =
            ::MulDiv(header.rclFrame.right - header.rclFrame.left, picture_file::kScreenPixelsPerInch,
                     picture_file::kHundredthMillimetresPerInch);
        picture.height =
            ::MulDiv(header.rclFrame.bottom - header.rclFrame.top, picture_file::kScreenPixelsPerInch,
                     picture_file::kHundredthMillimetresPerInch);
    } else {
        // Windows metafiles carry their size only in the placeable header
        // in front of them; one without it cannot be placed.
        constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7u;
        constexpr std::size_t kPlaceableHeaderSize = 22;
        ByteCursor header(bytes);
        const auto key = header.u32();
        header.skip(2);  // handle
        const auto left = static_cast<std::int16_t>(header.u16());
        const auto top = static_cast<std::int16_t>(header.u16());
        const auto right = static_cast<std::int16_t>(header.u16());
        const auto bottom = static_cast<std::int16_t>(header.u16());
        const auto unitsPerInch = header.u16();
        if (!header.ok() || key != kPlaceableKey || unitsPerInch == 0 || bytes.size() <= kPlaceableHeaderSize)
            return {"Metafile is not valid"};
        picture.kind = PictureFile::Kind::Metafile;
        picture.metafile.reset(::SetWinMetaFileBits(static_cast<UINT>(bytes.size() - kPlaceableHeaderSize),
                                                    bytes.data() + kPlaceableHeaderSize, nullptr, nullptr));
        if (!picture.metafile) return {"Metafile is not valid"};
        picture.width = ::MulDiv(right - left, picture_file::kScreenPixelsPerInch, unitsPerInch);
        picture.height = ::MulDiv(bottom - top, picture_file::kScreenPixelsPerInch, unitsPerInch);
    }
    return {};
}

}  // namespace tavrix::win32
