#include "ui/Picture.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <vector>

#include "ByteCursor.h"
#include "win32/FileBytes.h"
#include "win32/SelectedObject.h"
#include "win32/UniqueHandle.h"

namespace tavrix::ui {

// Owns whichever handle its kind uses; shared by the copies of a Picture.
struct Picture::Image {
    Kind kind = Kind::None;
    win32::UniqueGdiObject bitmap;
    win32::UniqueIcon icon;
    win32::UniqueEnhancedMetafile metafile;
};

namespace {

constexpr int kScreenPixelsPerInch = 96;
constexpr int kHundredthMillimetresPerInch = 2540;

// Icon file: a directory of images; the first one is shown.
constexpr std::uint16_t kIconFileType = 1;
constexpr std::size_t kIconDirectorySize = 6;
constexpr std::size_t kIconEntrySize = 16;

}  // namespace

TextResult<Picture> Picture::fromBitmapResource(HMODULE module, const std::string& name) {
    auto handle = static_cast<HBITMAP>(
        module ? ::LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION) : nullptr);
    if (!handle) return TextFailure{"Resource " + name + " not found"};
    // Not make_shared: its control block brings the runtime's type
    // comparison for get_deleter along, for nothing here.
    std::shared_ptr<Image> image(new Image);
    image->kind = Kind::Bitmap;
    image->bitmap.reset(handle);
    BITMAP info{};
    ::GetObjectA(handle, sizeof info, &info);
    Picture picture;
    picture.kind_ = image->kind;
    picture.image_ = std::move(image);
    picture.width_ = info.bmWidth;
    picture.height_ = info.bmHeight;
    return picture;
}

TextResult<Picture> Picture::fromFile(const std::string& path) {
    auto dot = path.find_last_of(".\\/:");
    std::string extension =
        (dot != std::string::npos && path[dot] == '.') ? path.substr(dot + 1) : std::string();
    std::string kind = extension;
    std::transform(kind.begin(), kind.end(), kind.begin(), [](unsigned char c) { return std::tolower(c); });
    if (kind != "bmp" && kind != "ico" && kind != "emf" && kind != "wmf")
        return TextFailure{"Unknown picture file extension (." + extension + ")"};

    const std::optional<std::string> text = win32::readFileBytes(path);
    if (!text) return TextFailure{"Cannot open file " + path};
    const std::vector<std::uint8_t> bytes(text->begin(), text->end());
    std::shared_ptr<Image> image(new Image);  // as above
    Picture picture;

    if (kind == "bmp") {
        image->kind = Kind::Bitmap;
        image->bitmap.reset(
            ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        if (!image->bitmap) return TextFailure{"Bitmap image is not valid"};
        BITMAP info{};
        ::GetObjectA(image->bitmap.get(), sizeof info, &info);
        picture.width_ = info.bmWidth;
        picture.height_ = info.bmHeight;
    } else if (kind == "ico") {
        ByteCursor directory(bytes);
        const auto reserved = directory.u16();
        const auto type = directory.u16();
        const auto count = directory.u16();
        const auto width = directory.u8();
        const auto height = directory.u8();
        directory.skip(kIconEntrySize - 2 - 8);
        const auto size = directory.u32();
        const auto offset = directory.u32();
        std::uint64_t end = 0;
        if (!directory.ok() || reserved != 0 || type != kIconFileType || count == 0 ||
            !addWithin(offset, size, bytes.size(), end) || offset < kIconDirectorySize + kIconEntrySize)
            return TextFailure{"Icon image is not valid"};
        picture.width_ = width ? width : 256;
        picture.height_ = height ? height : 256;
        image->kind = Kind::Icon;
        image->icon.reset(::CreateIconFromResourceEx(const_cast<std::uint8_t*>(bytes.data() + offset), size,
                                                     TRUE, 0x00030000, picture.width_, picture.height_,
                                                     LR_DEFAULTCOLOR));
        if (!image->icon) return TextFailure{"Icon image is not valid"};
    } else if (kind == "emf") {
        image->kind = Kind::Metafile;
        image->metafile.reset(::SetEnhMetaFileBits(static_cast<UINT>(bytes.size()), bytes.data()));
        ENHMETAHEADER header{};
        if (!image->metafile || !::GetEnhMetaFileHeader(image->metafile.get(), sizeof header, &header))
            return TextFailure{"Metafile is not valid"};
        picture.width_ = ::MulDiv(header.rclFrame.right - header.rclFrame.left, kScreenPixelsPerInch,
                                  kHundredthMillimetresPerInch);
        picture.height_ = ::MulDiv(header.rclFrame.bottom - header.rclFrame.top, kScreenPixelsPerInch,
                                   kHundredthMillimetresPerInch);
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
            return TextFailure{"Metafile is not valid"};
        image->kind = Kind::Metafile;
        image->metafile.reset(::SetWinMetaFileBits(static_cast<UINT>(bytes.size() - kPlaceableHeaderSize),
                                                   bytes.data() + kPlaceableHeaderSize, nullptr, nullptr));
        if (!image->metafile) return TextFailure{"Metafile is not valid"};
        picture.width_ = ::MulDiv(right - left, kScreenPixelsPerInch, unitsPerInch);
        picture.height_ = ::MulDiv(bottom - top, kScreenPixelsPerInch, unitsPerInch);
    }
    picture.kind_ = image->kind;
    picture.image_ = std::move(image);
    return picture;
}

void Picture::draw(HDC dc, int x, int y) const {
    if (!image_) return;
    switch (image_->kind) {
        case Kind::Bitmap: {
            const win32::UniqueMemoryDc source(::CreateCompatibleDC(dc));
            const win32::SelectedObject selected(source.get(), image_->bitmap.get());
            ::BitBlt(dc, x, y, width_, height_, source.get(), 0, 0, SRCCOPY);
            break;
        }
        case Kind::Icon:
            ::DrawIconEx(dc, x, y, image_->icon.get(), width_, height_, 0, nullptr, DI_NORMAL);
            break;
        case Kind::Metafile: {
            RECT place{x, y, x + width_, y + height_};
            ::PlayEnhMetaFile(dc, image_->metafile.get(), &place);
            break;
        }
        case Kind::None:
            break;
    }
}

}  // namespace tavrix::ui
