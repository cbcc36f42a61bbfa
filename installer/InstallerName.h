// The name the installer goes by: its main window's class and caption, the
// application's title and the caption of the boxes it shows.
#pragma once

namespace tavrix::installer {

inline constexpr char kInstallerName[] = "Tavrix Installer";
// The about box's caption and the popup menu item that opens it.
inline constexpr char kAboutInstallerCaption[] = "About Tavrix Installer";

}  // namespace tavrix::installer
