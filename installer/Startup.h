// The program's start-up: title, the nine windows, the message loop.
#pragma once

#include <string>

namespace tavrix::installer {

// Creates the nine windows in their fixed order; the first is the main window.
// False when one came out broken (a skin bitmap that would not load, already
// reported): the windows after it are not created.
bool createInstallerWindows();

// The uninstaller's windows: the main window's frame, the uninstall page,
// and the about box of the frame's menu.
bool createUninstallerWindows();

// The whole program for a package folder, or for an installation record's
// folder (the add-on's uninstaller) (trailing backslash included):
// runs until the termination request, destroys every window, returns 0.
int runInstaller(const std::string& programFolder);

}  // namespace tavrix::installer
