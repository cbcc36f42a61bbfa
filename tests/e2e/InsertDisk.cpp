// Changes the disk in Wine's floppy drive A: for a walk with real windows:
//
//   InsertDisk.exe UNIX_FOLDER   drive A: becomes a removable drive whose
//                                disk is that folder, its label read anew
//                                from the folder's .windows-label
//   InsertDisk.exe --remove      takes drive A: away
//
// Run in the same Wine prefix as the program that reads the disks. A shell
// cannot do this by re-pointing dosdevices/a:, since Wine's mount manager
// keeps the old disk's label until the drive is defined through it again.
// Exit status: 0 done, 1 the mount manager refused, 2 a usage error.
#include "tests/extract/WineDrive.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '\0') {
        std::fprintf(stderr, "usage: InsertDisk.exe UNIX_FOLDER | --remove\n");
        return 2;
    }
    const std::string what = argv[1];
    const bool remove = what == "--remove";
    if (!remove && what[0] != '/') {
        std::fprintf(stderr, "InsertDisk: %s is not an absolute Unix path\n", what.c_str());
        return 2;
    }
    const bool done = remove ? tavrix::wine::defineWineDrive('a', DRIVE_NO_ROOT_DIR, "")
                             : tavrix::wine::defineWineDrive('a', DRIVE_REMOVABLE, what);
    if (!done) {
        std::fprintf(stderr, "InsertDisk: Wine's mount manager did not define drive A: (error %lu)\n",
                     ::GetLastError());
        return 1;
    }
    return 0;
}
