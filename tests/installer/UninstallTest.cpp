// The uninstaller finds its add-on's destination from the folder it runs in,
// and refuses a record that is not in the folder its title gives; the script
// that removes the uninstaller's own folder quotes every path, removes only
// the folders the installation made, and gives up.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/Uninstall.h"

namespace tavrix::installer {
namespace {

TEST(Uninstall, TheDestinationIsTwoFoldersAboveTheRecordOfItsTitle) {
    struct Case {
        const char* recordFolder;
        const char* title;
        const char* destination;  // "" when refused
    };
    const Case cases[] = {
        {"C:\\FS2000\\Aircraft\\Cub\\Uninstall\\Cub Trainer\\", "Cub Trainer", "C:\\FS2000\\Aircraft\\Cub"},
        {"C:\\FS2000\\Aircraft\\Cub\\Uninstall\\Cub Trainer", "Cub Trainer", "C:\\FS2000\\Aircraft\\Cub"},
        {"c:\\fs2000\\UNINSTALL\\cub trainer\\", "Cub Trainer", "c:\\fs2000"},
        // A title a folder name cannot hold as it is.
        {"D:\\Sim\\Uninstall\\Cub_ Mk_2\\", "Cub: Mk/2.", "D:\\Sim"},
        {"C:\\Uninstall\\Scenery\\", "Scenery", "C:\\"},
        // A record moved or copied elsewhere, or a title edited in it.
        {"C:\\FS2000\\Uninstall\\Other\\", "Cub Trainer", ""},
        {"C:\\FS2000\\Cub Trainer\\", "Cub Trainer", ""},
        {"Uninstall\\Cub\\", "Cub", ""},
        {"X\\Uninstall\\Cub\\Trainer\\", "Cub\\Trainer", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(destinationOfRecordFolder(c.recordFolder, c.title), c.destination) << c.recordFolder;
}

TEST(Uninstall, TheRemovalScriptQuotesPathsDoublesPercentAndGivesUp) {
    InstallRecord record;
    record.complete = true;
    record.createdDestinationLevels = 2;
    const std::string script = selfRemovalScript("C:\\A 100%\\Dest\\Uninstall\\B&C\\", record, 1252, 30);
    EXPECT_EQ(script.find('\n'), script.find("\r\n") + 1) << "lines end in CR LF";
    EXPECT_EQ(script.find('\1'), std::string::npos);
    EXPECT_EQ(script.find('\4'), std::string::npos);
    EXPECT_NE(script.find("chcp 1252 >nul"), std::string::npos);
    EXPECT_NE(script.find("del /f /q \"C:\\A 100%%\\Dest\\Uninstall\\B&C\\Corvinel.exe\""),
              std::string::npos);
    EXPECT_NE(script.find("if %tries% geq 30 goto done"), std::string::npos) << "the wait is bounded";
    // The program first, its skin only once it is gone, then the folders
    // inner first: the record's, Uninstall, the destination and the one
    // parent the destination page made, and no further.
    const std::size_t program = script.find("Corvinel.exe");
    const std::size_t skin = script.find("Velskin.dll");
    const std::string own = "rd \"C:\\A 100%%\\Dest\\Uninstall\\B&C";
    const std::size_t folders[] = {script.find(own + "\" "), script.find(own + "\\..\" "),
                                   script.find(own + "\\..\\..\" "), script.find(own + "\\..\\..\\..\" ")};
    EXPECT_EQ(script.find(own + "\\..\\..\\..\\..\""), std::string::npos) << script;
    EXPECT_LT(program, skin);
    std::size_t last = skin;
    for (const std::size_t folder : folders) {
        ASSERT_NE(folder, std::string::npos) << script;
        EXPECT_LT(last, folder);
        last = folder;
    }
    EXPECT_GT(script.find(":done"), last) << "giving up skips the removals";
    EXPECT_EQ(script.find("~tvx"), std::string::npos) << "a complete installation left no staging folders";

    // One the installer never completed: the engine's staging folders in the
    // destination go too, before the destination itself.
    record.complete = false;
    const std::string cut = selfRemovalScript("C:\\Dest\\Uninstall\\B\\", record, 1252);
    const std::size_t staging = cut.find(
        "cd /d \"C:\\Dest\\Uninstall\\B\\..\\..\" && for /d %%d in (~tvx?????????.tmp) do rd /s /q "
        "\"%%d\"\r\n"
        "cd /d \"%~dp0\"\r\n");
    ASSERT_NE(staging, std::string::npos) << cut;
    EXPECT_LT(staging, cut.find("rd \"C:\\Dest\\Uninstall\\B\\..\\..\" "));
}

TEST(Uninstall, TheDonePageNamesTheFilesKeptUpToALimit) {
    EXPECT_EQ(uninstalledText({}), "was removed. Click the Finish button to exit.");
    std::vector<std::string> kept;
    for (int i = 0; i < 10; ++i) kept.push_back("texture\\t" + std::to_string(i) + ".bmp");
    const std::string text = uninstalledText(kept);
    EXPECT_NE(text.find("\r\ntexture\\t7.bmp"), std::string::npos);
    EXPECT_EQ(text.find("t8.bmp"), std::string::npos);
    EXPECT_NE(text.find("and 2 more."), std::string::npos);
}

}  // namespace
}  // namespace tavrix::installer
