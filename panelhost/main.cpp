// PanelHost: shows a panel with the Kelvor and Drelmo gauges found beside the
// program (B switches the bright look, N the night lighting, Escape ends).
// With a script file as its argument it runs the script instead, without a
// window, and prints the key events the gauges send.
#include <windows.h>

#include <exception>
#include <iostream>
#include <string>

#include "PanelWindow.h"
#include "ScriptRunner.h"

namespace {

std::string programFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, length);
    const auto slash = full.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    try {
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
