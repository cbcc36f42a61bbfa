// Corvinel: the add-on installer. It reads everything from the folder it
// was started from; it takes no command line.
#include <windows.h>

#include <string>

#include "common/win32/ProgramPath.h"
#include "installer/PackageFiles.h"
#include "installer/Startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return tavrix::installer::runInstaller(tavrix::installer::folderOfPath(tavrix::win32::programPath()));
}
