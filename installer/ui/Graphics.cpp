#include "ui/Graphics.h"

#include <map>
#include <tuple>

#include "win32/SelectedObject.h"
#include "win32/UniqueHandle.h"

namespace tavrix::ui {

HFONT fontHandle(const Font& font) {
    static std::map<std::tuple<std::string, int, bool>, HFONT> fonts;
    auto key = std::make_tuple(font.face, font.height, font.bold);
    auto found = fonts.find(key);
    if (found != fonts.end()) return found->second;
    LOGFONTA description{};
    description.lfHeight = font.height;
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(description.lfFaceName, font.face.c_str(), LF_FACESIZE);
    HFONT handle = ::CreateFontIndirectA(&description);
    fonts.emplace(key, handle);
    return handle;
}

void drawFocusFrame(HDC dc, int left, int top, int right, int bottom) {
    const win32::UniqueGdiObject pen(::CreatePen(PS_DOT, 1, ::GetSysColor(COLOR_WINDOWTEXT)));
    const win32::SelectedObject selectedPen(dc, pen.get());
    const win32::SelectedObject noFill(dc, ::GetStockObject(NULL_BRUSH));
    const int mode = ::SetBkMode(dc, TRANSPARENT);
    ::Rectangle(dc, left, top, right, bottom);
    ::SetBkMode(dc, mode);
}

}  // namespace tavrix::ui
