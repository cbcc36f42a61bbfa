#include "tests/installer/InstallerFixture.h"

#include <fstream>

#include "installer/PackageFiles.h"
#include "installer/Startup.h"
#include "installer/ui/Control.h"
#include "installer/ui/Form.h"

namespace tavrix::installer::testing {
namespace {

std::string newPackageFolder() {
    static int counter = 0;
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "tavrix-installer-" + std::to_string(::GetCurrentProcessId()) +
                         "-" + std::to_string(++counter) + "\\";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void removeFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeFolder(folder + name + "\\");
            else
                ::DeleteFileA((folder + name).c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(folder.c_str());
}

LPARAM pointParam(POINT point) {
    return MAKELPARAM(point.x, point.y);
}

std::function<void()>& pendingAction() {
    static std::function<void()> action;
    return action;
}

void CALLBACK runPendingAction(HWND, UINT, UINT_PTR id, DWORD) {
    ::KillTimer(nullptr, id);
    auto action = std::move(pendingAction());
    pendingAction() = nullptr;
    if (action) action();
}

COLORREF faceColour(const char* name) {
    HMODULE skin = ::LoadLibraryA("Velskin.dll");
    COLORREF colour = pixelOf(*ui::Picture::fromBitmapResource(skin, name), 32, 12);
    ::FreeLibrary(skin);
    return colour;
}

}  // namespace

void InstallerTest::SetUp() {
    ui::Application::instance().reset();
    package = newPackageFolder();
    writePackageFile("Setup.qzp", "PK\x05\x06" + std::string(18, '\0'));
    useSkin(Skin::Complete);
    win32::setMessageBoxHandler([this](const win32::MessageBoxRequest& request) {
        boxes.push_back(request);
        if (answers.empty()) return IDOK;
        int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    });
    ui::setShellExecuteHandler(
        [this](const ui::ShellExecuteRequest& request) { shellCalls.push_back(request); });
}

void InstallerTest::TearDown() {
    ui::Application::instance().reset();
    win32::setMessageBoxHandler(nullptr);
    ui::setShellExecuteHandler(nullptr);
    ::SetDllDirectoryA(nullptr);
    removeFolder(package);
}

void InstallerTest::writePackageFile(const std::string& name, const std::string& bytes) const {
    std::ofstream out(package + name, std::ios::binary | std::ios::trunc);
    out << bytes;
}

void InstallerTest::removePackageFile(const std::string& name) const {
    ::DeleteFileA((package + name).c_str());
}

void InstallerTest::useSkin(Skin skin) const {
    const std::string root = TEST_SKIN_ROOT;
    switch (skin) {
        case Skin::Complete:
            ::SetDllDirectoryA((root + "/skin-complete").c_str());
            break;
        case Skin::WithoutAircraft:
            ::SetDllDirectoryA((root + "/skin-without-aircraft").c_str());
            break;
        case Skin::Missing:
            ::SetDllDirectoryA((root + "/no-skin-here").c_str());
            break;
    }
}

void InstallerTest::createWindows() const {
    ui::Application::instance().setTitle("Tavrix Installer");
    setProgramFolder(package);
    createInstallerWindows();
}

void InstallerTest::showMainWindow() const {
    ui::Application::instance().mainForm()->show();
}

void mouseDown(const ui::Container& container, POINT point, ui::MouseButton button) {
    const UINT message = button == ui::MouseButton::Left    ? WM_LBUTTONDOWN
                         : button == ui::MouseButton::Right ? WM_RBUTTONDOWN
                                                            : WM_MBUTTONDOWN;
    ::SendMessageA(container.handle(), message, 0, pointParam(point));
}

void mouseUp(const ui::Container& container, POINT point, ui::MouseButton button) {
    const UINT message = button == ui::MouseButton::Left    ? WM_LBUTTONUP
                         : button == ui::MouseButton::Right ? WM_RBUTTONUP
                                                            : WM_MBUTTONUP;
    ::SendMessageA(container.handle(), message, 0, pointParam(point));
}

void mouseMove(const ui::Container& container, POINT point) {
    ::SendMessageA(container.handle(), WM_MOUSEMOVE, 0, pointParam(point));
}

POINT centreOf(const ui::GraphicControl& control) {
    return POINT{control.left() + control.width() / 2, control.top() + control.height() / 2};
}

void click(const ui::GraphicControl& control) {
    mouseDown(*control.parent(), centreOf(control));
    mouseUp(*control.parent(), centreOf(control));
}

void postClick(const ui::GraphicControl& control) {
    const POINT at = centreOf(control);
    const HWND window = control.parent()->handle();
    ::PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    ::PostMessageA(window, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void duringNextLoop(std::function<void()> action) {
    pendingAction() = std::move(action);
    ::SetTimer(nullptr, 0, 1, &runPendingAction);
}

COLORREF pixelOf(const ui::Picture& picture, int x, int y) {
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    HBITMAP canvas =
        ::CreateCompatibleBitmap(screen, std::max(picture.width(), 1), std::max(picture.height(), 1));
    HGDIOBJ old = ::SelectObject(memory, canvas);
    picture.draw(memory, 0, 0);
    COLORREF colour = ::GetPixel(memory, x, y);
    ::SelectObject(memory, old);
    ::DeleteObject(canvas);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

COLORREF releasedFaceColour() {
    return faceColour("b1");
}
COLORREF pressedFaceColour() {
    return faceColour("b2");
}

std::string classNameOf(HWND window) {
    char name[256] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

SIZE clientSizeOf(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
}

}  // namespace tavrix::installer::testing
