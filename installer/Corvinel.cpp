// Corvinel: the add-on installer. It reads everything from the folder it
// was started from; it takes no command line.
#include <windows.h>

#include <string>

#include "PackageFiles.h"
#include "Startup.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return tavrix::installer::runInstaller(tavrix::installer::folderOfPath(path));
}
