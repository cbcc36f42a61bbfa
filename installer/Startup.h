// The program's start-up: title, the nine windows, the message loop.
#pragma once

#include <string>

namespace tavrix::installer {

// Creates the nine windows in their fixed order; the first is the main window.
void createInstallerWindows();

// The whole program for a package folder (trailing backslash included):
// runs until the termination request, destroys every window, returns 0.
int runInstaller(const std::string& programFolder);

}  // namespace tavrix::installer
