#include "common/win32/PasswordBox.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace tavrix::win32 {
namespace {

PasswordBoxHandler& currentHandler() {
    static PasswordBoxHandler handler;
    return handler;
}

// Dialog units of the box and its controls.
constexpr short kBoxWidth = 200;
constexpr short kBoxHeight = 74;
constexpr short kMargin = 7;
constexpr short kButtonWidth = 50;
constexpr short kButtonHeight = 14;
constexpr short kFontPoints = 8;
// Longer answers than any password the component hands on are still read
// whole, so that the caller can refuse them rather than get them cut.
constexpr int kMaxTyped = 255;
// The predefined control classes of dialog templates.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// A DLGTEMPLATE and its items, written into WORDs as the format lays them out.
class DialogTemplate {
public:
    void header(DWORD style, WORD items, short cx, short cy, const std::wstring& caption) {
        dword(style);
        dword(0);  // extended style
        words_.push_back(items);
        for (short v : {short{0}, short{0}, cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the predefined dialog class
        text(caption);
        words_.push_back(static_cast<WORD>(kFontPoints));
        text(L"MS Shell Dlg");
    }
    void item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD cls,
              const std::wstring& title) {
        if (words_.size() % 2 != 0) words_.push_back(0);  // each item on a DWORD boundary
        dword(style | WS_CHILD | WS_VISIBLE);
        dword(0);
        for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
        words_.push_back(id);
        words_.push_back(0xFFFF);  // a predefined class follows, by number
        words_.push_back(cls);
        text(title);
        words_.push_back(0);  // no creation data
    }
    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

private:
    void dword(DWORD v) {
        words_.push_back(static_cast<WORD>(v & 0xFFFF));
        words_.push_back(static_cast<WORD>(v >> 16));
    }
    void text(const std::wstring& s) {
        for (wchar_t ch : s) words_.push_back(static_cast<WORD>(ch));
        words_.push_back(0);
    }
    std::vector<WORD> words_;
};

std::wstring widen(const std::string& text) {
    if (text.empty()) return {};
    const int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

struct BoxState {
    const std::function<void(HWND)>* onShown;
    std::string answer;
};

INT_PTR CALLBACK boxProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            ::SetWindowLongPtrA(box, DWLP_USER, lParam);
            auto* state = reinterpret_cast<BoxState*>(lParam);
            ::SendDlgItemMessageA(box, kPasswordEditId, EM_LIMITTEXT, kMaxTyped, 0);
            ::SetFocus(::GetDlgItem(box, kPasswordEditId));
            // The hook raises nothing: this code is built without exceptions.
            if (state->onShown && *state->onShown) (*state->onShown)(box);
            return FALSE;  // the focus is set
        }
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            if (id == IDOK) {
                auto* state = reinterpret_cast<BoxState*>(::GetWindowLongPtrA(box, DWLP_USER));
                char typed[kMaxTyped + 1] = {};
                const UINT n = ::GetDlgItemTextA(box, kPasswordEditId, typed, sizeof typed);
                state->answer.assign(typed, n);
                ::SecureZeroMemory(typed, sizeof typed);
                ::EndDialog(box, IDOK);
                return TRUE;
            }
            if (id == IDCANCEL) {
                ::EndDialog(box, IDCANCEL);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

}  // namespace

std::optional<std::string> runPasswordBox(const PasswordBoxRequest& request,
                                          const std::function<void(HWND box)>& onShown) {
    DialogTemplate t;
    const DWORD boxStyle = DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    t.header(boxStyle, 4, kBoxWidth, kBoxHeight, widen(request.caption));
    const short inner = kBoxWidth - 2 * kMargin;
    t.item(SS_LEFT, kMargin, kMargin, inner, 10, kPasswordPromptId, kStaticClass, widen(request.prompt));
    t.item(ES_PASSWORD | ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, kMargin, 22, inner, 12, kPasswordEditId,
           kEditClass, L"");
    const short buttonsY = kBoxHeight - kMargin - kButtonHeight;
    t.item(BS_DEFPUSHBUTTON | WS_TABSTOP, kBoxWidth - 2 * (kMargin + kButtonWidth), buttonsY, kButtonWidth,
           kButtonHeight, IDOK, kButtonClass, L"OK");
    t.item(BS_PUSHBUTTON | WS_TABSTOP, kBoxWidth - kMargin - kButtonWidth, buttonsY, kButtonWidth,
           kButtonHeight, IDCANCEL, kButtonClass, L"Cancel");

    BoxState state{&onShown, {}};
    const INT_PTR chosen = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), t.get(), request.owner,
                                                     boxProc, reinterpret_cast<LPARAM>(&state));
    if (chosen != IDOK) return std::nullopt;
    return state.answer;
}

std::optional<std::string> askPassword(HWND owner, const std::string& caption, const std::string& prompt) {
    const PasswordBoxRequest request{owner, caption, prompt};
    const auto& handler = currentHandler();
    if (handler) return handler(request);
    return runPasswordBox(request);
}

PasswordBoxHandler setPasswordBoxHandler(PasswordBoxHandler handler) {
    return std::exchange(currentHandler(), std::move(handler));
}

}  // namespace tavrix::win32
