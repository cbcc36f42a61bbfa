#include "sfx/StubDialog.h"

#include <windows.h>

#include <commctrl.h>

#include <set>

#include "common/win32/MessageBoxSeam.h"
#include "sfx/StubPlatform.h"
#include "sfx/StubResources.h"
#include "sfx/StubText.h"
#include "sfx/WinText.h"

namespace tavrix::sfx {
namespace {

constexpr int kProgressRange = 1000;

// Rows of the template from top to bottom, with their height in dialog units
// (to the next row); a hidden row's controls go and the rows below move up.
struct Row {
    int top;
    int height;
    int ids[4];
};
constexpr Row kFilesRow{38, 77, {IDC_FILES_LABEL, IDC_FILES, 0, 0}};
constexpr Row kOverwriteRow{115, 31, {IDC_OVERWRITE_GROUP, IDC_OVR_CONFIRM, IDC_OVR_ALWAYS, IDC_OVR_NEVER}};
constexpr Row kRunRow{146, 32, {IDC_RUN, IDC_COMMAND, 0, 0}};

class StubDialog final : public ExtractionObserver {
public:
    StubDialog(StubArchive& stub, std::string programPath)
        : stub_(stub), programPath_(std::move(programPath)) {}

    int run() {
        const INT_PTR result =
            ::DialogBoxParamA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_STUB), nullptr,
                              &StubDialog::procedure, reinterpret_cast<LPARAM>(this));
        return result == 0 ? 0 : 1;
    }

private:
    static INT_PTR CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) ::SetWindowLongPtrA(window, DWLP_USER, lParam);
        auto* self = reinterpret_cast<StubDialog*>(::GetWindowLongPtrA(window, DWLP_USER));
        if (!self) return FALSE;
        // The stub is built without exceptions: nothing can leave the
        // procedure that way.
        return self->handle(window, message, wParam);
    }

    INT_PTR handle(HWND window, UINT message, WPARAM wParam) {
        switch (message) {
            case WM_INITDIALOG:
                window_ = window;
                initialise();
                return TRUE;
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case IDOK:
                        if (!running_) extract();
                        return TRUE;
                    case IDCANCEL:
                        if (running_)
                            cancel_ = true;
                        else
                            ::EndDialog(window_, 1);
                        return TRUE;
                    case IDC_BROWSE:
                        browse();
                        return TRUE;
                    case IDC_RUN:
                        ::EnableWindow(item(IDC_COMMAND), checked(IDC_RUN));
                        return TRUE;
                }
                return FALSE;
        }
        return FALSE;
    }

    HWND item(int id) const { return ::GetDlgItem(window_, id); }
    bool checked(int id) const { return ::IsDlgButtonChecked(window_, id) == BST_CHECKED; }
    std::string itemText(int id) const {
        const int length = ::GetWindowTextLengthA(item(id));
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        ::GetWindowTextA(item(id), text.data(), length + 1);
        text.resize(static_cast<std::size_t>(length));
        return text;
    }
    std::string caption() const {
        const std::string& c = stub_.settings().caption;
        return c.empty() ? std::string(text::kDefaultCaption) : c;
    }
    int box(const std::string& message, UINT type) const {
        return win32::showMessageBox(window_, message, caption(), type);
    }

    void initialise() {
        const SfxSettings& s = stub_.settings();
        ::SetWindowTextA(window_, caption().c_str());
        ::SendMessageA(
            window_, WM_SETICON, ICON_BIG,
            reinterpret_cast<LPARAM>(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_STUB))));
        ::SetWindowTextA(item(IDC_FOLDER), defaultFolder(s.defaultDir, programPath_).c_str());

        const bool askFiles = s.has(kOptAskFiles);
        if (askFiles) {
            for (const std::string& name : stub_.fileNames())
                ::SendMessageA(item(IDC_FILES), LB_ADDSTRING, 0,
                               reinterpret_cast<LPARAM>(utf8ToAnsi(name).c_str()));
            ::SendMessageA(item(IDC_FILES), LB_SELITEMRANGEEX, 0,
                           static_cast<LPARAM>(stub_.fileNames().size()) - 1);
        }
        const int mode = s.overwriteMode() == OverwriteMode::kAlways  ? IDC_OVR_ALWAYS
                         : s.overwriteMode() == OverwriteMode::kNever ? IDC_OVR_NEVER
                                                                      : IDC_OVR_CONFIRM;
        ::CheckRadioButton(window_, IDC_OVR_CONFIRM, IDC_OVR_NEVER, mode);
        const bool askCommand = !s.commandLine.empty() && s.has(kOptAskCmdLine);
        if (askCommand) {
            ::CheckDlgButton(window_, IDC_RUN, BST_CHECKED);
            ::SetWindowTextA(item(IDC_COMMAND), s.commandLine.c_str());
        }
        ::SendMessageA(item(IDC_PROGRESS), PBM_SETRANGE32, 0, kProgressRange);
        layout({{kFilesRow, askFiles}, {kOverwriteRow, !s.has(kOptHideOverwriteBox)}, {kRunRow, askCommand}});
        if (s.has(kOptAutoRun)) ::PostMessageA(window_, WM_COMMAND, IDOK, 0);
    }

    void layout(std::initializer_list<std::pair<Row, bool>> rows) {
        auto pixels = [this](int units) {
            RECT r{0, 0, 0, units};
            ::MapDialogRect(window_, &r);
            return static_cast<int>(r.bottom);
        };
        int removed = 0;  // dialog units of all hidden rows
        for (const auto& [row, shown] : rows) {
            if (shown) continue;
            for (int id : row.ids)
                if (id) ::ShowWindow(item(id), SW_HIDE);
            removed += row.height;
        }
        if (removed == 0) return;
        // Each control moves up by the hidden rows above it, judged from
        // where the template put it (a pixel of rounding either way).
        for (HWND child = ::GetWindow(window_, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            RECT r;
            ::GetWindowRect(child, &r);
            ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
            int above = 0;
            for (const auto& [row, shown] : rows)
                if (!shown && r.top >= pixels(row.top + row.height) - 2) above += row.height;
            if (above)
                ::SetWindowPos(child, nullptr, r.left, r.top - pixels(above), 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER);
        }
        RECT frame;
        ::GetWindowRect(window_, &frame);
        ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left,
                       frame.bottom - frame.top - pixels(removed), SWP_NOMOVE | SWP_NOZORDER);
    }

    void browse() {
        const std::string chosen = browseForFolder(window_, text::kBrowseTitle, itemText(IDC_FOLDER));
        if (!chosen.empty()) ::SetWindowTextA(item(IDC_FOLDER), chosen.c_str());
    }

    void enableInputs(bool enable) {
        for (int id : {IDC_FOLDER, IDC_BROWSE, IDC_FILES, IDC_OVR_CONFIRM, IDC_OVR_ALWAYS, IDC_OVR_NEVER,
                       IDC_RUN, IDC_COMMAND, IDOK})
            ::EnableWindow(item(id), enable);
        if (enable) ::EnableWindow(item(IDC_COMMAND), checked(IDC_RUN));
    }

    void extract() {
        const SfxSettings& s = stub_.settings();
        const std::string typed = itemText(IDC_FOLDER);
        if (typed.empty()) {
            box(text::kNoFolder, MB_ICONWARNING);
            return;
        }
        const std::string folder = absoluteFolder(typed);
        ExtractionRequest request;
        request.folderUtf8 = ansiToUtf8(folder);
        request.checkFreeSpace = s.checkSize();
        request.mode = checked(IDC_OVR_ALWAYS)  ? OverwriteMode::kAlways
                       : checked(IDC_OVR_NEVER) ? OverwriteMode::kNever
                                                : OverwriteMode::kConfirm;
        std::set<std::string> chosen;
        if (s.has(kOptAskFiles)) {
            const int count = static_cast<int>(::SendMessageA(item(IDC_FILES), LB_GETCOUNT, 0, 0));
            for (int i = 0; i < count && i < static_cast<int>(stub_.fileNames().size()); ++i)
                if (::SendMessageA(item(IDC_FILES), LB_GETSEL, static_cast<WPARAM>(i), 0) > 0)
                    chosen.insert(stub_.fileNames()[static_cast<std::size_t>(i)]);
            if (chosen.empty()) {
                box(text::kNothingSelected, MB_ICONWARNING);
                return;
            }
            request.accept = [&chosen](std::string_view name) {
                return chosen.count(std::string(name)) != 0;
            };
        }
        request.confirm = [this](std::string_view name) {
            switch (
                box(text::replaceQuestion(utf8ToAnsi(std::string(name))), MB_YESNOCANCEL | MB_ICONQUESTION)) {
                case IDYES:
                    return zip::ExistingFile::kReplace;
                case IDNO:
                    return zip::ExistingFile::kKeep;
                default:
                    return zip::ExistingFile::kStop;
            }
        };
        std::string command;
        if (s.has(kOptAskCmdLine))
            command = checked(IDC_RUN) ? itemText(IDC_COMMAND) : std::string();
        else
            command = s.commandLine;

        running_ = true;
        cancel_ = false;
        enableInputs(false);
        const ExtractionOutcome outcome = runExtraction(stub_, request, *this, freeBytesOf);
        running_ = false;
        if (!outcome.ok) {
            ::SetWindowTextA(item(IDC_STATUS), "");
            ::SendMessageA(item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
            enableInputs(true);
            box(utf8ToAnsi(outcome.error), outcome.cancelled ? MB_ICONWARNING : MB_ICONERROR);
            return;
        }
        ::SendMessageA(item(IDC_PROGRESS), PBM_SETPOS, kProgressRange, 0);
        if (!command.empty() && !startCommand(command, folder)) box(text::kRunFailed + command, MB_ICONERROR);
        if (!s.has(kOptAutoRun)) {
            box(text::done(outcome.extracted, folder), MB_ICONINFORMATION);
        }
        ::EndDialog(window_, 0);
    }

    // ExtractionObserver: progress, with the window kept alive in between.
    bool phase(bool checking, std::uint64_t totalBytes) override {
        total_ = totalBytes;
        done_ = 0;
        phaseChecking_ = checking;
        ::SendMessageA(item(IDC_PROGRESS), PBM_SETPOS, 0, 0);
        if (checking) ::SetWindowTextA(item(IDC_STATUS), text::kChecking);
        return pump();
    }
    bool fileStart(std::string_view name) override {
        if (!phaseChecking_) {
            const std::string line = text::kExtracting + utf8ToAnsi(std::string(name));
            ::SetWindowTextA(item(IDC_STATUS), line.c_str());
        }
        return pump();
    }
    bool advance(std::uint64_t bytes) override {
        done_ += bytes;
        const int position = total_ == 0 ? kProgressRange : static_cast<int>(done_ * kProgressRange / total_);
        ::SendMessageA(item(IDC_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(position), 0);
        return pump();
    }
    bool pump() {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                cancel_ = true;
                break;
            }
            if (!::IsDialogMessageA(window_, &message)) {
                ::TranslateMessage(&message);
                ::DispatchMessageA(&message);
            }
        }
        return cancel_;
    }

    StubArchive& stub_;
    std::string programPath_;
    HWND window_ = nullptr;
    bool running_ = false;
    bool cancel_ = false;
    bool phaseChecking_ = false;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
};

}  // namespace

int runStubDialog(StubArchive& stub, const std::string& programPathAnsi) {
    return StubDialog(stub, programPathAnsi).run();
}

}  // namespace tavrix::sfx
