#include "installer/ui/Picture.h"

#include "common/win32/SelectedObject.h"
#include "common/win32/UniqueHandle.h"

namespace tavrix::ui {

// Owns whichever handle its kind uses; shared by the copies of a Picture.
struct Picture::Image : win32::PictureFile {};

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
    std::shared_ptr<Image> image(new Image);  // as above
    if (std::string failure = win32::loadPictureFile(path, *image); !failure.empty())
        return TextFailure{std::move(failure)};
    Picture picture;
    picture.kind_ = image->kind;
    picture.width_ = image->width;
    picture.height_ = image->height;
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
