// FormatDisk: the shell's format dialog for the drive of a spanned set,
// adjusted so that it formats the way a set's disk needs (quick, no system
// files, the volume's label) and, without ConfirmErase, starts by itself.
#include "archive/ShellFormat.h"

#include "archive/ArchiveBuilder.h"
#include "archive/Win32Support.h"
#include "common/win32/FormatDriveSeam.h"

#include <atomic>
#include <cctype>

namespace tavrix::archive {
namespace {

// Control ids of the shell's format dialog.
constexpr int kStartButton = IDOK;
constexpr int kCloseButton = IDCANCEL;
constexpr int kCapacityList = 35;
constexpr int kLabelField = 38;
constexpr int kQuickFormat = 39;
constexpr int kSystemFiles = 41;
constexpr UINT kDefaultFormatId = 0xFFFF;

constexpr int kStateSearching = 0;
constexpr int kStateDialogFound = 1;
constexpr int kStateDone = 2;

// The hook runs on the format thread and learns its component from here.
thread_local TArchiveBuilder* hookOwner = nullptr;
thread_local bool startPressed = false;
std::atomic<bool> threadRunning{false};

struct HookSettings {
    std::string label;
    bool confirmErase;
};
// Points at the running format's settings, which live on its thread's stack
// for as long as the hook is in place. A pointer, not the settings: a
// thread-local with a destructor makes the runtime import a function that
// Windows 2000 lacks.
thread_local const HookSettings* hookSettings = nullptr;

void adjustDialog(HWND dialog) {
    ::EnableWindow(::GetDlgItem(dialog, kCapacityList), FALSE);
    HWND label = ::GetDlgItem(dialog, kLabelField);
    char text[64] = {};
    ::GetWindowTextA(label, text, sizeof text);
    if (hookSettings->label != text) ::SetWindowTextA(label, hookSettings->label.c_str());
    ::EnableWindow(label, FALSE);
    ::CheckDlgButton(dialog, kQuickFormat, BST_CHECKED);
    ::EnableWindow(::GetDlgItem(dialog, kQuickFormat), FALSE);
    ::CheckDlgButton(dialog, kSystemFiles, BST_UNCHECKED);
}

LRESULT CALLBACK CallWndRetProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && hookOwner != nullptr && hookSettings != nullptr) {
        const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        HWND window = message->hwnd;
        if (::GetDlgItem(window, kQuickFormat) != nullptr && ::GetDlgItem(window, kStartButton) != nullptr) {
            if (message->message == WM_INITDIALOG || message->message == WM_COMMAND) adjustDialog(window);
            if (!hookSettings->confirmErase) {
                if (message->message == WM_INITDIALOG && !startPressed) {
                    startPressed = true;
                    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(kStartButton, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(::GetDlgItem(window, kStartButton)));
                } else if (startPressed && message->message == WM_COMMAND &&
                           LOWORD(message->wParam) != kCloseButton &&
                           ::IsWindowEnabled(::GetDlgItem(window, kStartButton))) {
                    // Start is enabled again: the format has ended.
                    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(kCloseButton, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(::GetDlgItem(window, kCloseButton)));
                }
            }
        }
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

struct DialogSearch {
    HWND application;
    HWND found;
};

BOOL CALLBACK findDialog(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<DialogSearch*>(context);
    if (::GetParent(window) == search->application || ::GetWindow(window, GW_OWNER) == search->application) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

TSHFormatThread::TSHFormatThread(TArchiveBuilder& owner) : owner_(owner) {
    // One format at a time: a second thread is not started.
    if (threadRunning.exchange(true)) return;
    thread_.reset(::CreateThread(nullptr, 0, &TSHFormatThread::Execute, this, 0, &threadId_));
    if (!thread_) threadRunning = false;
}

TSHFormatThread::~TSHFormatThread() {
    if (thread_) ::WaitForSingleObject(thread_.get(), INFINITE);
}

DWORD WINAPI TSHFormatThread::Execute(void* self) {
    static_cast<TSHFormatThread*>(self)->run();
    return 0;
}

void TSHFormatThread::run() {
    ErrorModeScope quiet(kQuietErrorMode);
    hookOwner = &owner_;
    startPressed = false;
    const HookSettings settings{owner_.VolumeLabel(), owner_.ConfirmErase()};
    hookSettings = &settings;
    HHOOK hook = ::SetWindowsHookExA(WH_CALLWNDPROCRET, &CallWndRetProc, nullptr, ::GetCurrentThreadId());
    // The drive of the running call, which is asking for this disk.
    const std::string& root = owner_.DriveRoot();
    const int drive = root.empty() ? -1 : std::toupper(static_cast<unsigned char>(root[0])) - 'A';
    const DWORD result =
        win32::formatDrive({owner_.OwnerWindow(), static_cast<UINT>(drive), kDefaultFormatId, 0});
    if (hook != nullptr) ::UnhookWindowsHookEx(hook);
    hookOwner = nullptr;
    hookSettings = nullptr;
    result_ = static_cast<int>(result);
    threadRunning = false;
    // Last: the waiting thread may end this object once it sees the state.
    state_.store(kStateDone);
}

int TArchiveBuilder::FormatDisk() {
    TSHFormatThread thread(*this);
    if (!thread.started()) return thread.result();
    auto& state = thread.state();
    HANDLE running = thread.handle();
    while (state.load() != kStateDone) {
        processMessages();
        if (state.load() == kStateSearching) {
            DialogSearch search{ownerWindow_, nullptr};
            ::EnumThreadWindows(thread.threadId(), &findDialog, reinterpret_cast<LPARAM>(&search));
            if (search.found != nullptr) {
                int expected = kStateSearching;
                state.compare_exchange_strong(expected, kStateDialogFound);
            }
        }
        ::MsgWaitForMultipleObjects(1, &running, FALSE, 10, QS_ALLINPUT);
    }
    return thread.result();
}

}  // namespace tavrix::archive
