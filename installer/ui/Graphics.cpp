#include "installer/ui/Graphics.h"

#include <algorithm>
#include <vector>

#include "common/win32/SelectedObject.h"
#include "common/win32/UniqueHandle.h"

namespace tavrix::ui {

HFONT fontHandle(const Font& font) {
    // A handful of fonts in all: a list searched in order does (and keeps
    // the tree of a std::map out of the program).
    struct Made {
        Font font;
        HFONT handle;
    };
    static std::vector<Made> fonts;
    const auto found =
        std::find_if(fonts.begin(), fonts.end(), [&](const Made& made) { return made.font == font; });
    if (found != fonts.end()) return found->handle;
    LOGFONTA description{};
    description.lfHeight = font.height;
    description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
    description.lfCharSet = DEFAULT_CHARSET;
    description.lfQuality = DEFAULT_QUALITY;
    lstrcpynA(description.lfFaceName, font.face, LF_FACESIZE);
    HFONT handle = ::CreateFontIndirectA(&description);
    fonts.push_back({font, handle});
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
