#include "installer/Unit4.h"

#include <shlobj.h>

#include "common/win32/PathExists.h"
#include "common/win32/UniqueHandle.h"
#include "installer/DestinationRules.h"
#include "installer/Installation.h"
#include "installer/PackageFiles.h"
#include "installer/Unit3.h"
#include "installer/Unit5.h"
#include "installer/Unit6.h"
#include "installer/ui/Application.h"
#include "installer/ui/FolderBrowserSeam.h"

namespace tavrix::installer {

TForm4* Form4 = nullptr;

namespace {

struct RegistryKeyTraits {
    using Handle = HKEY;
    static Handle empty() { return nullptr; }
    static void close(Handle key) { ::RegCloseKey(key); }
};
using UniqueRegistryKey = win32::UniqueHandle<RegistryKeyTraits>;

// A text with its %NAME% parts replaced by the environment's values.
std::string expandedText(const std::string& text) {
    const DWORD needed = ::ExpandEnvironmentStringsA(text.c_str(), nullptr, 0);
    if (needed == 0) return text;
    std::string expanded(needed, '\0');
    const DWORD written = ::ExpandEnvironmentStringsA(text.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) return text;
    expanded.resize(written - 1);
    return expanded;
}

// The simulator's folder: value "path" of its key under HKEY_LOCAL_MACHINE.
// The key is opened for reading, so a user without administrator rights
// still gets the proposal; a missing value reads as empty text. A value that
// is not text is reported, and nothing is proposed.
std::optional<std::string> readSimulatorPath(const char* keyName) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyName, 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return std::nullopt;
    UniqueRegistryKey key(opened);
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key.get(), "path", nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::string();
    if (type != REG_SZ && type != REG_EXPAND_SZ) {
        ui::Application::instance().showError("Invalid data type for 'path'");
        return std::nullopt;
    }
    std::string value(size, '\0');
    if (::RegQueryValueExA(key.get(), "path", nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return std::string();
    value.resize(std::min<std::size_t>(size, value.size()));
    // The stored string usually carries its terminator; the text ends there.
    if (const auto end = value.find('\0'); end != std::string::npos) value.resize(end);
    if (type == REG_EXPAND_SZ) value = expandedText(value);
    return value;
}

}  // namespace

std::string simulatorFolderOf(const std::string& version) {
    const char* key = package::simulatorKey(version);
    return key ? readSimulatorPath(key).value_or(std::string()) : std::string();
}

bool MakeFolderPath(const std::string& folder, int* made) {
    const auto missing = foldersToCreate(folder, win32::directoryExists);
    if (!missing) return false;
    int count = 0;
    for (const std::string& name : *missing)
        if (::CreateDirectoryA(name.c_str(), nullptr)) ++count;
    if (made) *made = count;
    return true;
}

TForm4::TForm4()
    : NavigationPage("TForm4", 420, 298),
      Button1(*this, 384, 152, 20, 21, programBitmap("FOLDERGLYPH"), "Browse") {
    Edit1.onChange = [this] { Edit1Change(); };
    Button1.onClick = [this] { Button1Click(); };
    keyboard.addControl(Edit1);
    keyboard.moveLastTo(0);
    keyboard.addControl(Button1, [this] { Button1.click(); });
    keyboard.moveLastTo(1);
    if (!loadSkinLibrary("Morvane Setup")) return;
    loadFrameBitmaps();
}

TForm4::~TForm4() {
    Form4 = nullptr;
}

void TForm4::showProposal(const std::string& folder) {
    Edit1.setText(folder);
    ::UpdateWindow(Edit1.handle());
}

void TForm4::FormShow() {
    PackageDescription package;
    AddonType = package.read("Addon", "Type", AddonType);
    AddonTitle = package.read("Title", "hl", AddonTitle);
    SimulatorVersion = package.read("Flightsim", "Version", SimulatorVersion);
    if (auto folder = installer::proposeFolder(SimulatorVersion, AddonType, AddonTitle, readSimulatorPath))
        showProposal(*folder);
}

void TForm4::Edit1Change() {
    DestinationFolder = Edit1.text();
    Form6->ArchiveBuilder1.SetExtrBaseDir(DestinationFolder);
}

void TForm4::Button1Click() {
    if (auto chosen = ui::browseForFolder({handle(), "Tavrix path", BIF_RETURNONLYFSDIRS}))
        Edit1.setText(*chosen);
}

void TForm4::Image3Click() {
    // The folder must exist before the installation page extracts into it;
    // otherwise the user stays here to choose another.
    const std::string folder = Edit1.text();
    int made = 0;
    if (!MakeFolderPath(folder, &made) || !win32::directoryExists(folder))
        return ui::Application::instance().showError("Unable to create directory");
    // An uninstall, or a cancel, takes away the folders made here too.
    currentInstallation().chooseDestination(folder, made);
    ShowPage(*Form5);
    close();
}

void TForm4::Image4Click() {
    ShowPage(*Form3);
    close();
}

}  // namespace tavrix::installer
