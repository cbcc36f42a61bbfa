// The uninstaller's rules: where the add-on lies for a record folder, what
// the pages say, and the script that removes the uninstaller's own folder
// once the program has ended. No Windows here: tested natively too.
//
// An installation copies the program and the skin into its record's folder,
// <destination>\Uninstall\<title>\. Started there (a record, and no package
// archive beside it), the program is the add-on's uninstaller. It cannot
// delete its own running file, nor the skin library it has loaded: at its end
// it starts the command interpreter on a small script that waits until the
// program file can be deleted, then removes those two files and the folders
// that are then empty, and finally itself.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "common/package/PackageNames.h"
#include "common/support/ZeroPadded.h"
#include "installer/InstallRecord.h"

namespace tavrix::installer {

inline constexpr const char* kUninstallHeading = "Uninstall";
inline constexpr const char* kUninstallingHeading = "Uninstalling...";
inline constexpr const char* kUninstalledHeading = "Uninstall complete";

// How many of the files kept are named on the done page; the rest are counted.
inline constexpr std::size_t kKeptFilesNamed = 8;

namespace detail {
inline bool sameFolderName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}
inline std::string withoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    return folder;
}
}  // namespace detail

// The destination a record folder belongs to: two folders up from
// <destination>\Uninstall\<folder name of the title>. Empty when the record
// folder is not the one its title gives (a record copied elsewhere, or
// edited): the uninstaller then removes nothing. A destination that is a
// drive's root keeps its backslash ("C:\").
inline std::string destinationOfRecordFolder(const std::string& recordFolderPath, std::string_view title) {
    const std::string folder = detail::withoutTrailingSlash(recordFolderPath);
    const std::string own = "\\" + recordFolder(title);
    if (folder.size() <= own.size() ||
        !detail::sameFolderName(std::string_view(folder).substr(folder.size() - own.size()), own))
        return {};
    std::string destination = folder.substr(0, folder.size() - own.size());
    if (destination.size() == 2 && destination[1] == ':') destination += '\\';
    return destination;
}

// The completion page's line under its success sentence.
inline std::string uninstallerText(const std::string& recordFolderPath) {
    return std::string("To uninstall it, run ") + package::kInstallerProgramName + " in " + recordFolderPath;
}

// The done page's text: the add-on gone, or the files kept because the pilot
// changed them (or they could not be removed), named up to a limit.
inline std::string uninstalledText(const std::vector<std::string>& keptFiles) {
    if (keptFiles.empty()) return "was removed. Click the Finish button to exit.";
    std::string text = "was removed. These files were changed since, or are in use, and were kept:";
    for (std::size_t i = 0; i < keptFiles.size() && i < kKeptFilesNamed; ++i) text += "\r\n" + keptFiles[i];
    if (keptFiles.size() > kKeptFilesNamed)
        text += "\r\nand " + zeroPadded(keptFiles.size() - kKeptFilesNamed) + " more.";
    return text;
}

// The script the command interpreter runs once the uninstaller has ended:
// tries to delete the program file until the program has ended (at most
// `attempts` tries, about a second apart), then the skin, the engine's
// staging folders of an installation cut short, then the folders while each
// is empty: the record's, the records' folder, the destination and
// as many of its parents as the destination page made. Then the script
// itself. Paths are quoted, and a "%" in them doubled, as the interpreter
// would expand it. codePage is the one the paths are written in: the
// interpreter reads a script in its console's code page, which it is
// switched to first.
inline std::string selfRemovalScript(const std::string& recordFolderPath, const InstallRecord& record,
                                     unsigned codePage, unsigned attempts = 600) {
    // \1 the code page, \2 the record's folder (quote opened), \3 the tries,
    // \5 the engine's staging folders, \4 the folders to remove.
    constexpr std::string_view kScript =
        "@echo off\r\nchcp \1 >nul\r\nset tries=0\r\n:again\r\n"
        "del /f /q \2\\Corvinel.exe\" 2>nul\r\nif not exist \2\\Corvinel.exe\" goto gone\r\n"
        "set /a tries+=1\r\nif %tries% geq \3 goto done\r\nping -n 2 127.0.0.1 >nul\r\ngoto again\r\n"
        ":gone\r\ndel /f /q \2\\Velskin.dll\" 2>nul\r\n\5\4:done\r\ndel /f /q \"%~f0\" 2>nul\r\n";
    std::string own = "\"";
    for (const char c : detail::withoutTrailingSlash(recordFolderPath)) own.append(c == '%' ? 2 : 1, c);
    std::string script;
    for (const char c : kScript) {
        if (c == '\1') {
            script += zeroPadded(codePage);
        } else if (c == '\2') {
            script += own;
        } else if (c == '\3') {
            script += zeroPadded(attempts);
        } else if (c == '\5') {
            // An installation that never completed (its program was killed)
            // may have left the engine's staging folders ("~tvx", nine hex
            // digits, ".tmp") in the destination, with half-written files.
            // (A quoted wildcard matches nothing in some command
            // interpreters: the search runs in the destination, unquoted.)
            if (!record.complete)
                script += "cd /d " + own +
                          "\\..\\..\" && for /d %%d in (~tvx?????????.tmp) do rd /s /q \"%%d\"\r\ncd /d "
                          "\"%~dp0\"\r\n";
        } else if (c == '\4') {
            // The record's folder, Uninstall, then the destination and its
            // parents (a drive's root is never removed: rd refuses it).
            std::string folder = own;
            for (int level = -2; level < record.createdDestinationLevels; ++level) {
                script += "rd " + folder + "\" 2>nul\r\n";
                folder += "\\..";
            }
        } else {
            script += c;
        }
    }
    return script;
}

}  // namespace tavrix::installer
