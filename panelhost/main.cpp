// PanelHost: shows a panel with the Kelvor and Drelmo gauges found beside the
// program (B switches the bright look, N the night lighting, Escape ends).
// Given an aircraft's folder or its panel.cfg, it shows that panel's windows
// instead. With a script file as its argument it runs the script, without a
// window, and prints the key events the gauges send to its standard output.
#include <windows.h>

#include <exception>
#include <iostream>
#include <string>

#include "panelhost/PanelWindow.h"
#include "panelhost/ScriptRunner.h"

namespace {

std::string programFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, length);
    const auto slash = full.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

// A folder, or a file named *.cfg: an aircraft's panel rather than a script.
bool isPanel(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    return path.size() > 4 && ::lstrcmpiA(path.c_str() + path.size() - 4, ".cfg") == 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc > 1 && isPanel(argv[1])) return tavrix::panel::runAircraftPanel(argv[1]);
        if (argc > 1) return tavrix::panel::runScriptFile(argv[1], std::cout);
        return tavrix::panel::runPanelWindow(programFolder());
    } catch (const std::exception& e) {
        std::cerr << "PanelHost: " << e.what() << "\n";
        return 1;
    } catch (...) {
        std::cerr << "PanelHost: failed\n";
        return 1;
    }
}
