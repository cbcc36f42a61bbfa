// What the installer's window tests share: a package folder of their own,
// recorded message boxes and shell calls with scripted answers, the choice
// of skin library, and real mouse messages sent to the windows.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/win32/MessageBoxSeam.h"
#include "installer/ui/Application.h"
#include "installer/ui/Container.h"
#include "installer/ui/ShellSeam.h"

namespace tavrix::installer::testing {

enum class Skin { Complete, WithoutAircraft, Missing };

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Package folder, trailing backslash included; holds Setup.qzp unless removed.
    std::string package;
    void writePackageFile(const std::string& name, const std::string& bytes) const;
    void removePackageFile(const std::string& name) const;

    void useSkin(Skin skin) const;
    // Start-up without the message loop: title, folder, the nine windows.
    void createWindows() const;
    // What the message loop does first: shows the main window.
    void showMainWindow() const;

    std::vector<win32::MessageBoxRequest> boxes;
    std::vector<int> answers;  // answers for the next boxes, in order; IDOK after
    std::vector<ui::ShellExecuteRequest> shellCalls;
};

// Mouse messages as the system sends them to a container window; points are
// in the container's client coordinates.
void mouseDown(const ui::Container& container, POINT point, ui::MouseButton button = ui::MouseButton::Left);
void mouseUp(const ui::Container& container, POINT point, ui::MouseButton button = ui::MouseButton::Left);
void mouseMove(const ui::Container& container, POINT point);
// Middle of a graphic control, in its container's coordinates.
POINT centreOf(const ui::GraphicControl& control);
// Press and release in the middle of a control: a left click.
void click(const ui::GraphicControl& control);
// The same click posted, for the message loop that runs next (one the
// extraction pumps) to take.
void postClick(const ui::GraphicControl& control);

// Runs an action from inside whatever message loop runs next (a modal
// window's own loop), as soon as that loop takes messages.
void duringNextLoop(std::function<void()> action);

// Colour of a picture's pixel.
COLORREF pixelOf(const ui::Picture& picture, int x, int y);
// Colour at the middle of the released and pressed button faces.
COLORREF releasedFaceColour();
COLORREF pressedFaceColour();

std::string classNameOf(HWND window);
SIZE clientSizeOf(HWND window);

}  // namespace tavrix::installer::testing
