// The splash window: each picture kind, its size, once per run, and a
// picture that cannot be shown.
#include <cstring>
#include <string>
#include <vector>

#include "installer/Unit1.h"
#include "installer/Unit3.h"
#include "installer/Unit8.h"
#include "tests/installer/InstallerFixture.h"

namespace tavrix::installer::testing {
namespace {

std::string bitmapFile(int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    std::string rows(static_cast<std::size_t>(stride * height), '\x80');
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rows.size());
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    return std::string(reinterpret_cast<const char*>(&file), sizeof file) +
           std::string(reinterpret_cast<const char*>(&info), sizeof info) + rows;
}

// One 16 x 16 image of 24 bits with its mask.
std::string iconFile() {
    constexpr int kSide = 16;
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = kSide;
    info.biHeight = 2 * kSide;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string image(reinterpret_cast<const char*>(&info), sizeof info);
    image += std::string(kSide * kSide * 3, '\x40');
    image += std::string(kSide * 4, '\0');
    std::string file;
    auto put16 = [&file](int v) { file += static_cast<char>(v & 0xFF), file += static_cast<char>(v >> 8); };
    auto put32 = [&](std::size_t v) {
        put16(static_cast<int>(v & 0xFFFF)), put16(static_cast<int>(v >> 16));
    };
    put16(0), put16(1), put16(1);
    file += static_cast<char>(kSide), file += static_cast<char>(kSide), file += '\0', file += '\0';
    put16(1), put16(24), put32(image.size()), put32(22);
    return file + image;
}

// Enhanced metafile whose frame is 1 x 0.5 inch: 96 x 48 pixels.
void writeEnhancedMetafile(const std::string& path) {
    RECT frame{0, 0, 2540, 1270};
    HDC dc = ::CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
    ::Rectangle(dc, 0, 0, 50, 25);
    ::DeleteEnhMetaFile(::CloseEnhMetaFile(dc));
}

// Placeable metafile of 192 x 96 units at 192 units per inch: 96 x 48 pixels.
std::string placeableMetafile() {
    HDC dc = ::CreateMetaFileA(nullptr);
    ::Rectangle(dc, 0, 0, 192, 96);
    HMETAFILE metafile = ::CloseMetaFile(dc);
    std::vector<char> bits(::GetMetaFileBitsEx(metafile, 0, nullptr));
    ::GetMetaFileBitsEx(metafile, static_cast<UINT>(bits.size()), bits.data());
    ::DeleteMetaFile(metafile);
    const std::uint16_t header[10] = {0xCDD7, 0x9AC6, 0, 0, 0, 192, 96, 192, 0, 0};
    std::uint16_t checksum = 0;
    for (std::uint16_t word : header) checksum ^= word;
    std::string file(reinterpret_cast<const char*>(header), sizeof header);
    file.append(reinterpret_cast<const char*>(&checksum), 2);
    return file + std::string(bits.begin(), bits.end());
}

class SplashTest : public InstallerTest {
protected:
    struct Seen {
        bool splashVisible = false;
        bool mainVisible = true;
        SIZE size{};
    };
    // Shows the main window with a splash configured; looks at the splash
    // while it is up, then lets its timer tick.
    Seen showWithSplash(const std::string& splashName) {
        writePackageFile("Ostrel.ini", "[Splash]\nFilename=" + splashName + "\n");
        writePackageFile("licens.qzt", "Terms");
        createWindows();
        Seen seen;
        duringNextLoop([&] {
            seen.splashVisible = ::IsWindowVisible(Form8->handle());
            seen.mainVisible = ::IsWindowVisible(Form1->handle());
            RECT frame;
            ::GetWindowRect(Form8->handle(), &frame);
            seen.size = SIZE{frame.right - frame.left, frame.bottom - frame.top};
            EXPECT_TRUE(Form8->Timer1.enabled());
            Form8->Timer1.fire();
        });
        showMainWindow();
        return seen;
    }
};

TEST_F(SplashTest, EachPictureKindShowsAtItsOwnSizeBeforeTheMainWindow) {
    struct Case {
        const char* name;
        int width;
        int height;
    } cases[] = {{"splash.bmp", 120, 90},
                 {"Splash.BMP", 120, 90},
                 {"logo.ico", 16, 16},
                 {"art.emf", 96, 48},
                 {"art.WMF", 96, 48}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string lower = [&] {
            std::string s = c.name;
            for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            return s;
        }();
        if (lower.ends_with(".bmp")) writePackageFile(c.name, bitmapFile(120, 90));
        if (lower.ends_with(".ico")) writePackageFile(c.name, iconFile());
        if (lower.ends_with(".emf")) writeEnhancedMetafile(package + c.name);
        if (lower.ends_with(".wmf")) writePackageFile(c.name, placeableMetafile());

        const Seen seen = showWithSplash(c.name);
        EXPECT_TRUE(seen.splashVisible);
        EXPECT_FALSE(seen.mainVisible) << "the main window comes up after the splash";
        EXPECT_EQ(seen.size.cx, c.width);
        EXPECT_EQ(seen.size.cy, c.height);
        EXPECT_EQ(Form8->Image1.left(), 2);
        EXPECT_FALSE(::IsWindowVisible(Form8->handle()));
        EXPECT_TRUE(::IsWindowVisible(Form1->handle()));
        EXPECT_FALSE(Form8->Timer1.enabled());
        EXPECT_EQ(Form1->SplashFile, "");
        EXPECT_EQ(Form1->Memo1.text(), "Terms") << "the show steps go on after the splash";
        EXPECT_TRUE(boxes.empty());
        ui::Application::instance().reset();
    }
}

TEST_F(SplashTest, TheSplashIsNeverShownTwice) {
    writePackageFile("splash.bmp", bitmapFile(50, 40));
    showWithSplash("splash.bmp");
    Form1->hide();
    bool shownAgain = false;
    duringNextLoop([&] { shownAgain = ::IsWindowVisible(Form8->handle()); });
    showMainWindow();
    EXPECT_FALSE(Form8->Timer1.enabled());
    EXPECT_FALSE(shownAgain);
    ui::Application::instance().processMessages();
}

TEST_F(SplashTest, PictureThatCannotBeShownIsReportedAndTheWizardStaysUsable) {
    struct Case {
        const char* name;
        std::string bytes;
        bool write;
        std::string report;  // empty: the path's message
    } cases[] = {
        {"missing.bmp", "", false, ""},
        {"picture.gif", "GIF89a", true, "Unknown picture file extension (.gif)"},
        {"broken.bmp", "BM not a bitmap", true, "Bitmap image is not valid."},
        {"broken.ico", std::string("\0\0\1\0", 4), true, "Icon image is not valid."},
        {"plain.wmf", std::string("\1\0\11\0", 4), true, "Metafile is not valid."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.write) writePackageFile(c.name, c.bytes);
        writePackageFile("Ostrel.ini", std::string("[Splash]\nFilename=") + c.name + "\n");
        writePackageFile("licens.qzt", "Terms");
        createWindows();
        showMainWindow();
        ASSERT_EQ(boxes.size(), 1u);
        const std::string expected =
            c.report.empty() ? "Cannot open file " + package + c.name + "." : c.report;
        EXPECT_EQ(boxes[0].text, expected);
        EXPECT_EQ(boxes[0].caption, "Tavrix Installer");
        EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
        EXPECT_TRUE(::IsWindowVisible(Form1->handle()));
        EXPECT_FALSE(::IsWindowVisible(Form8->handle()));
        EXPECT_EQ(Form1->Memo1.text(), "") << "the remaining show steps are skipped";
        click(Form1->Image3);
        EXPECT_TRUE(::IsWindowVisible(Form3->handle())) << "Accept still works";
        boxes.clear();
        ui::Application::instance().reset();
    }
}

TEST_F(SplashTest, FullPathInFilenameIsTakenRelativeToThePackage) {
    writePackageFile("splash.bmp", bitmapFile(50, 40));
    const std::string fullPath = package + "splash.bmp";
    writePackageFile("Ostrel.ini", "[Splash]\nFilename=" + fullPath + "\n");
    createWindows();
    showMainWindow();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Cannot open file " + package + fullPath + ".");
}

}  // namespace
}  // namespace tavrix::installer::testing
