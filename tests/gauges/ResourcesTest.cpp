// The modules' bitmaps and version blocks, read back through the resource
// functions a host uses.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "panelhost/Image.h"
#include "tests/gauges/ModuleFixture.h"

namespace {

using namespace gaugetest;
using tavrix::panel::Image;

struct Bitmap {
    std::span<const std::uint8_t> bytes;
    Image image;
    std::uint32_t paletteEntries = 0;
};

Bitmap loadBitmap(HMODULE module, int id, WORD language) {
    Bitmap b;
    HRSRC found = ::FindResourceExA(module, RT_BITMAP, MAKEINTRESOURCEA(id), language);
    if (found == nullptr) {
        ADD_FAILURE() << "bitmap " << id << " in language " << language << " missing";
        return b;
    }
    const void* data = ::LockResource(::LoadResource(module, found));
    b.bytes = {static_cast<const std::uint8_t*>(data), ::SizeofResource(module, found)};
    auto decoded = tavrix::panel::decodePackedDib(b.bytes);
    if (!decoded.image) {
        ADD_FAILURE() << "bitmap " << id << ": " << decoded.error;
        return b;
    }
    b.image = std::move(*decoded.image);
    b.paletteEntries = fieldAt(b.bytes.data(), 32);
    return b;
}

bool isPureBlack(std::uint32_t c) {
    return c == 0;
}

TEST(KelvorResources, KeyFaceWithATransparentFrameAndCorners) {
    LoadedModule m(KELVOR_PATH);
    ASSERT_TRUE(m.handle);
    const Bitmap key = loadBitmap(m.handle, 4352, 1040);
    ASSERT_EQ(key.image.width, 32);
    ASSERT_EQ(key.image.height, 32);
    EXPECT_EQ(fieldAt<std::uint16_t>(key.bytes.data(), 14), 8u);
    EXPECT_EQ(key.paletteEntries, 256u);
    int black = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const bool frame = x == 0 || y == 0 || x == 31 || y == 31;
            const bool corner = (x == 1 || x == 30) && (y == 1 || y == 30);
            EXPECT_EQ(isPureBlack(key.image.at(x, y)), frame || corner) << x << "," << y;
            black += isPureBlack(key.image.at(x, y));
        }
    }
    EXPECT_EQ(black, 128);
    // Grey face and cream letters are both there.
    int face = 0, ink = 0;
    for (std::uint32_t c : key.image.pixels) {
        face += c == tavrix::panel::rgb(95, 92, 105);
        ink += c == tavrix::panel::rgb(242, 236, 210);
    }
    EXPECT_GT(face, 200);
    EXPECT_GT(ink, 40);
}

std::wstring versionString(const std::vector<std::uint8_t>& block, const wchar_t* path) {
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), path, &value, &length) || length == 0) return L"<missing>";
    return static_cast<const wchar_t*>(value);
}

struct VersionBlock {
    std::vector<std::uint8_t> bytes;
    VS_FIXEDFILEINFO fixed{};
};

VersionBlock versionOf(const char* path) {
    VersionBlock v;
    DWORD ignored = 0;
    v.bytes.resize(::GetFileVersionInfoSizeA(path, &ignored));
    if (v.bytes.empty() ||
        !::GetFileVersionInfoA(path, 0, static_cast<DWORD>(v.bytes.size()), v.bytes.data())) {
        ADD_FAILURE() << "no version block in " << path;
        return v;
    }
    void* fixed = nullptr;
    UINT length = 0;
    if (::VerQueryValueA(v.bytes.data(), "\\", &fixed, &length) && length >= sizeof(VS_FIXEDFILEINFO))
        v.fixed = *static_cast<VS_FIXEDFILEINFO*>(fixed);
    return v;
}

TEST(KelvorResources, VersionBlock) {
    const VersionBlock v = versionOf(KELVOR_PATH);
    ASSERT_FALSE(v.bytes.empty());
    EXPECT_EQ(v.fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(v.fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(v.fixed.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(v.fixed.dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(versionString(v.bytes, L"\\StringFileInfo\\040904B0\\FileVersion"), L"1.0.0");
    EXPECT_EQ(versionString(v.bytes, L"\\StringFileInfo\\040904B0\\ProductVersion"), L"1.0.0");
    LoadedModule m(KELVOR_PATH);
    EXPECT_NE(::FindResourceExA(m.handle, RT_VERSION, MAKEINTRESOURCEA(1), 1040), nullptr)
        << "filed under 1040";
}

TEST(DrelmoResources, VersionBlock) {
    const VersionBlock v = versionOf(DRELMO_PATH);
    ASSERT_FALSE(v.bytes.empty());
    EXPECT_EQ(v.fixed.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(v.fixed.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(v.fixed.dwProductVersionLS, 0x00000001u);
    EXPECT_EQ(v.fixed.dwFileType, static_cast<DWORD>(VFT_DLL));
    const std::wstring block = L"\\StringFileInfo\\040704B0\\";
    EXPECT_EQ(versionString(v.bytes, (block + L"FileDescription").c_str()),
              L"Flaps indicator gauge 0,5,10,20,25,30\u00B0");
    EXPECT_EQ(versionString(v.bytes, (block + L"FileVersion").c_str()), L"3.10.fs2000");
    EXPECT_EQ(versionString(v.bytes, (block + L"InternalName").c_str()), L"Drelmo");
    EXPECT_EQ(versionString(v.bytes, (block + L"OriginalFilename").c_str()), L"Drelmo.gau");
    EXPECT_EQ(versionString(v.bytes, (block + L"Comments").c_str()), L"Release");
}

struct DrelmoBitmap {
    int id;
    WORD language;
    int width, height;
    std::uint32_t palette;
};

class DrelmoBitmaps : public testing::TestWithParam<DrelmoBitmap> {};

TEST_P(DrelmoBitmaps, SizeAndPalette) {
    LoadedModule m(DRELMO_PATH);
    ASSERT_TRUE(m.handle);
    const DrelmoBitmap& want = GetParam();
    const Bitmap b = loadBitmap(m.handle, want.id, want.language);
    EXPECT_EQ(b.image.width, want.width);
    EXPECT_EQ(b.image.height, want.height);
    EXPECT_EQ(b.paletteEntries, want.palette);
}

INSTANTIATE_TEST_SUITE_P(All, DrelmoBitmaps,
                         testing::Values(DrelmoBitmap{101, 1031, 302, 302, 224},
                                         DrelmoBitmap{101, 1033, 302, 302, 256},
                                         DrelmoBitmap{102, 1031, 127, 39, 256},
                                         DrelmoBitmap{103, 1031, 127, 39, 3},
                                         DrelmoBitmap{104, 1031, 302, 302, 139}));

struct Dial {
    int id;
    WORD language;
    std::uint32_t ink;
    double faceRadius;
};

class DrelmoDials : public testing::TestWithParam<Dial> {};

// Each tick's outer end lies at its needle-table point, and the face shows
// everywhere on the disc: pure black only outside it.
TEST_P(DrelmoDials, TicksEndAtTheNeedleTablePointsAndTheFaceIsOpaque) {
    LoadedModule m(DRELMO_PATH);
    ASSERT_TRUE(m.handle);
    const Dial& dial = GetParam();
    const Bitmap b = loadBitmap(m.handle, dial.id, dial.language);
    ASSERT_EQ(b.image.width, 302);
    const g::NeedleElement* needle = m.needle(0);
    for (std::uint32_t i = 1; i < needle->tableEntries; ++i) {  // UP carries no tick
        const double x = needle->table[i].x, y = needle->table[i].y;
        const double dx = 151 - x, dy = 151 - y, len = std::hypot(dx, dy);
        for (double back : {3.0, 10.0}) {  // just inside the point, and further along the tick
            const int px = static_cast<int>(std::lround(x + dx / len * back));
            const int py = static_cast<int>(std::lround(y + dy / len * back));
            EXPECT_EQ(b.image.at(px, py), dial.ink) << "tick of entry " << i + 1 << " at " << px << "," << py;
        }
    }
    for (int y = 0; y < 302; ++y)
        for (int x = 0; x < 302; ++x)
            if (std::hypot(x - 151, y - 151) < dial.faceRadius) {
                ASSERT_FALSE(isPureBlack(b.image.at(x, y))) << "pure black on the face at " << x << "," << y;
            }
    EXPECT_TRUE(isPureBlack(b.image.at(0, 0))) << "corners show the panel";
}

INSTANTIATE_TEST_SUITE_P(All, DrelmoDials,
                         testing::Values(Dial{101, 1031, tavrix::panel::rgb(255, 255, 255), 146},
                                         Dial{101, 1033, tavrix::panel::rgb(254, 254, 254), 146},
                                         Dial{104, 1031, tavrix::panel::rgb(163, 163, 163), 145}));

TEST(DrelmoResources, NeedlesShowOnlyShaftAndHub) {
    LoadedModule m(DRELMO_PATH);
    ASSERT_TRUE(m.handle);
    const Bitmap normal = loadBitmap(m.handle, 102, 1031);
    const Bitmap bright = loadBitmap(m.handle, 103, 1031);
    ASSERT_EQ(normal.image.width, 127);
    ASSERT_EQ(bright.image.width, 127);
    EXPECT_EQ(normal.image.at(21, 19), tavrix::panel::rgb(67, 67, 67)) << "hub on the pivot";
    EXPECT_EQ(bright.image.at(21, 19), tavrix::panel::rgb(5, 5, 5));
    EXPECT_EQ(normal.image.at(100, 19), tavrix::panel::rgb(255, 255, 255)) << "shaft toward the right";
    EXPECT_EQ(bright.image.at(100, 19), tavrix::panel::rgb(163, 163, 163));
    for (const Bitmap* b : {&normal, &bright}) {
        EXPECT_TRUE(isPureBlack(b->image.at(0, 0)));
        EXPECT_TRUE(isPureBlack(b->image.at(126, 0)));
        EXPECT_TRUE(isPureBlack(b->image.at(100, 30)));
    }
    // The bright needle uses exactly its three colours.
    for (std::uint32_t c : bright.image.pixels)
        EXPECT_TRUE(c == 0 || c == tavrix::panel::rgb(5, 5, 5) || c == tavrix::panel::rgb(163, 163, 163));
}

}  // namespace
