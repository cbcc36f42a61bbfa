// A picture an image control shows: a bitmap, an icon or a metafile.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/support/TextResult.h"
#include "common/win32/PictureFile.h"

namespace tavrix::ui {

class Picture {
public:
    Picture() = default;

    // Bitmap resource of a module, by name (names match in any letter case).
    // Fails with "Resource <name> not found" when the module has no such bitmap.
    static TextResult<Picture> fromBitmapResource(HMODULE module, const std::string& name);

    // Picture file, loaded by win32::loadPictureFile (which tells the kinds
    // and failures).
    static TextResult<Picture> fromFile(const std::string& path);

    using Kind = win32::PictureFile::Kind;
    bool empty() const { return kind_ == Kind::None; }
    int width() const { return width_; }
    int height() const { return height_; }
    Kind kind() const { return kind_; }

    // Draws the picture at its own size with its top-left corner at x, y.
    void draw(HDC dc, int x, int y) const;

private:
    struct Image;
    std::shared_ptr<const Image> image_;
    int width_ = 0;
    int height_ = 0;
    Kind kind_ = Kind::None;
};

}  // namespace tavrix::ui
