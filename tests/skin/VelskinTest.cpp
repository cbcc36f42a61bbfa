// Velskin.dll as the installer meets it: loaded by bare name from the
// program's folder, bitmaps taken by name in any letter case, one language,
// no code to call, and the version block the installer's about box shows.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "common/ByteCursor.h"
#include "common/win32/UniqueHandle.h"
#include "skin/ResourceBytes.h"

namespace {

using tavrix::ByteCursor;
using tavrix::skin::resourceBytes;
using tavrix::win32::UniqueGdiObject;
using tavrix::win32::UniqueMemoryDc;
using tavrix::win32::UniqueModule;

constexpr LANGID kDanish = 0x0406;
constexpr std::uint32_t kInfoHeaderSize = 40;
constexpr std::uint32_t kBiRgb = 0;

struct BitmapSpec {
    const char* name;           // as stored
    const char* installerName;  // as the installer spells it, or nullptr
    std::int32_t width;
    std::int32_t height;
    std::uint16_t bits;
    std::uint32_t colourCount;   // biClrUsed
    std::uint32_t tableEntries;  // entries actually stored
};

const BitmapSpec kBitmaps[] = {
    {"QFORM", "QForm", 422, 385, 8, 140, 140},   {"TOP", "top", 422, 28, 8, 140, 140},
    {"AIRCRAFT", "Aircraft", 35, 28, 8, 62, 62}, {"AUTHOR", "Author", 153, 164, 8, 180, 180},
    {"WELCOME", "welcome", 110, 231, 8, 0, 256}, {"B1", "b1", 64, 25, 8, 166, 166},
    {"B2", "b2", 64, 25, 8, 159, 159},           {"AU", nullptr, 16, 16, 8, 16, 16},
    {"IE", nullptr, 16, 16, 24, 0, 0},           {"MAPPE_HVID", nullptr, 15, 13, 24, 0, 0},
    {"BV1", nullptr, 91, 21, 24, 0, 0},          {"BV1A", nullptr, 91, 21, 24, 0, 0},
    {"BV2", nullptr, 91, 21, 24, 0, 0},          {"BV2A", nullptr, 91, 21, 24, 0, 0},
};

void PrintTo(const BitmapSpec& spec, std::ostream* out) {
    *out << spec.name;
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.find_last_of("\\/") + 1);
}

std::string moduleFileName(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

std::string currentFolder() {
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, path);
    return std::string(path) + "\\";
}

std::string lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

BOOL CALLBACK collectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR list) {
    reinterpret_cast<std::vector<LANGID>*>(list)->push_back(language);
    return TRUE;
}

std::vector<LANGID> languagesOf(HMODULE module, LPCSTR type, LPCSTR name) {
    std::vector<LANGID> languages;
    EnumResourceLanguagesA(module, type, name, collectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

BOOL CALLBACK collectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
    reinterpret_cast<std::vector<std::string>*>(list)->push_back(IS_INTRESOURCE(name) ? "#" : name);
    return TRUE;
}

// The library as every installer window loads it: bare name, with the
// current folder somewhere else, so only the program's own folder can
// supply it. The current folder is an empty scratch folder for the load.
class VelskinLibrary : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        programFolder_ = new std::string(folderOf(moduleFileName(nullptr)));
        const std::string previous = currentFolder();
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        scratch_ =
            new std::string(std::string(temp) + "velskin-cwd-" + std::to_string(GetCurrentProcessId()));
        CreateDirectoryA(scratch_->c_str(), nullptr);
        SetCurrentDirectoryA(scratch_->c_str());
        loadFolder_ = new std::string(currentFolder());
        library_ = new UniqueModule(LoadLibraryA("Velskin.dll"));
        loadError_ = GetLastError();
        SetCurrentDirectoryA(previous.c_str());
        RemoveDirectoryA(scratch_->c_str());
    }
    static void TearDownTestSuite() {
        delete library_;
        delete loadFolder_;
        delete scratch_;
        delete programFolder_;
    }
    void SetUp() override {
        ASSERT_TRUE(*library_) << "LoadLibraryA(\"Velskin.dll\") failed, error " << loadError_;
    }

    static HMODULE library() { return library_->get(); }
    static std::string libraryPath() { return moduleFileName(library()); }

    static inline UniqueModule* library_ = nullptr;
    static inline DWORD loadError_ = 0;
    static inline std::string* programFolder_ = nullptr;
    static inline std::string* loadFolder_ = nullptr;
    static inline std::string* scratch_ = nullptr;
};

TEST_F(VelskinLibrary, IsFoundInTheProgramsFolderWhileTheCurrentFolderIsElsewhere) {
    EXPECT_NE(lower(*loadFolder_), lower(*programFolder_));
    EXPECT_EQ(lower(folderOf(libraryPath())), lower(*programFolder_));
}

TEST_F(VelskinLibrary, HoldsExactlyTheFourteenBitmaps) {
    std::vector<std::string> names;
    EnumResourceNamesA(library(), RT_BITMAP, collectName, reinterpret_cast<LONG_PTR>(&names));
    std::vector<std::string> expected;
    for (const BitmapSpec& spec : kBitmaps) expected.push_back(spec.name);
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
}

// ---------------------------------------------------------------------------
// Every bitmap, by every spelling

class SkinBitmap : public VelskinLibrary, public ::testing::WithParamInterface<BitmapSpec> {
protected:
    std::vector<std::string> spellings() const {
        const BitmapSpec& spec = GetParam();
        std::vector<std::string> all = {spec.name, lower(spec.name)};
        if (spec.installerName) all.push_back(spec.installerName);
        return all;
    }
};

TEST_P(SkinBitmap, StoresAnUncompressedDibOfItsSizeDepthAndColourTable) {
    const BitmapSpec& spec = GetParam();
    auto dib = resourceBytes(library(), spec.name, RT_BITMAP);
    ASSERT_FALSE(dib.empty());
    ByteCursor header(dib);
    const std::uint32_t size = header.u32();
    const auto width = static_cast<std::int32_t>(header.u32());
    const auto height = static_cast<std::int32_t>(header.u32());
    const std::uint16_t planes = header.u16();
    const std::uint16_t bits = header.u16();
    const std::uint32_t compression = header.u32();
    header.skip(12);  // image size, resolution
    const std::uint32_t colourCount = header.u32();
    ASSERT_TRUE(header.ok());
    EXPECT_EQ(size, kInfoHeaderSize);
    EXPECT_EQ(width, spec.width);
    EXPECT_EQ(height, spec.height) << "rows are stored bottom-up, so the height is positive";
    EXPECT_EQ(planes, 1);
    EXPECT_EQ(bits, spec.bits);
    EXPECT_EQ(compression, kBiRgb);
    EXPECT_EQ(colourCount, spec.colourCount);
    const std::size_t stride = ((spec.width * spec.bits + 31) / 32) * 4;
    EXPECT_EQ(dib.size(), kInfoHeaderSize + spec.tableEntries * 4 + stride * spec.height)
        << "header, exactly the stated colour table, then the padded rows";
}

TEST_P(SkinBitmap, PixelsIndexOnlyStoredColoursAndUseThemAll) {
    const BitmapSpec& spec = GetParam();
    if (spec.bits != 8) GTEST_SKIP() << "no colour table";
    auto dib = resourceBytes(library(), spec.name, RT_BITMAP);
    ByteCursor pixels(dib);
    pixels.skip(kInfoHeaderSize + spec.tableEntries * 4);
    const std::size_t stride = (spec.width + 3) / 4 * 4;
    std::vector<bool> used(256, false);
    for (std::int32_t row = 0; row < spec.height; ++row) {
        auto line = pixels.bytes(stride);
        ASSERT_TRUE(pixels.ok()) << "row " << row;
        for (std::int32_t x = 0; x < spec.width; ++x) {
            ASSERT_LT(line[x], spec.tableEntries) << "pixel " << x << ", row " << row;
            used[line[x]] = true;
        }
    }
    EXPECT_EQ(static_cast<std::uint32_t>(std::count(used.begin(), used.end(), true)), spec.tableEntries);
}

TEST_P(SkinBitmap, IsFoundByEverySpellingAsTheSameResource) {
    const HRSRC stored = FindResourceA(library(), GetParam().name, RT_BITMAP);
    ASSERT_NE(stored, nullptr);
    for (const std::string& name : spellings()) {
        EXPECT_EQ(FindResourceA(library(), name.c_str(), RT_BITMAP), stored) << name;
    }
}

TEST_P(SkinBitmap, LoadsAsABitmapByEverySpelling) {
    const BitmapSpec& spec = GetParam();
    for (const std::string& name : spellings()) {
        SCOPED_TRACE(name);
        UniqueGdiObject plain(LoadBitmapA(library(), name.c_str()));
        ASSERT_TRUE(plain);
        BITMAP info = {};
        ASSERT_EQ(GetObjectA(plain.get(), sizeof info, &info), static_cast<int>(sizeof info));
        EXPECT_EQ(info.bmWidth, spec.width);
        EXPECT_EQ(info.bmHeight, spec.height);

        UniqueGdiObject section(LoadImageA(library(), name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_TRUE(section);
        DIBSECTION dib = {};
        ASSERT_EQ(GetObjectA(section.get(), sizeof dib, &dib), static_cast<int>(sizeof dib));
        EXPECT_EQ(dib.dsBm.bmWidth, spec.width);
        EXPECT_EQ(dib.dsBm.bmHeight, spec.height);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, spec.bits);
        if (spec.bits <= 8) {
            // The loaded picture uses the stored colours (the system may pad
            // the table it keeps, so only the stored entries are compared).
            auto dib = resourceBytes(library(), spec.name, RT_BITMAP);
            ASSERT_GE(dib.size(), kInfoHeaderSize + spec.tableEntries * sizeof(RGBQUAD));
            auto stored = dib.subspan(kInfoHeaderSize);
            UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
            HGDIOBJ old = SelectObject(dc.get(), section.get());
            RGBQUAD table[256] = {};
            EXPECT_EQ(GetDIBColorTable(dc.get(), 0, spec.tableEntries, table), spec.tableEntries);
            SelectObject(dc.get(), old);
            for (std::uint32_t i = 0; i < spec.tableEntries; ++i) {
                EXPECT_EQ(table[i].rgbBlue, stored[i * 4]) << i;
                EXPECT_EQ(table[i].rgbGreen, stored[i * 4 + 1]) << i;
                EXPECT_EQ(table[i].rgbRed, stored[i * 4 + 2]) << i;
            }
        }
    }
}

TEST_P(SkinBitmap, ExistsInDanishOnly) {
    EXPECT_EQ(languagesOf(library(), RT_BITMAP, GetParam().name), std::vector<LANGID>{kDanish});
}

INSTANTIATE_TEST_SUITE_P(All, SkinBitmap, ::testing::ValuesIn(kBitmaps),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Names the library does not have

class MissingBitmap : public VelskinLibrary, public ::testing::WithParamInterface<const char*> {};

TEST_P(MissingBitmap, FailsAsAMissingResource) {
    const char* name = GetParam();
    SetLastError(0);
    EXPECT_EQ(FindResourceA(library(), name, RT_BITMAP), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadBitmapA(library(), name), nullptr);
    EXPECT_EQ(LoadImageA(library(), name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
}

// Near misses of real names, and the icon group's name, which is no bitmap.
INSTANTIATE_TEST_SUITE_P(Names, MissingBitmap,
                         ::testing::Values("NOSUCH", "B3", "QFORM2", "Q_FORM", "QFORM ", "WELCOME.BMP", "B",
                                           "MAINICON"));

TEST_F(VelskinLibrary, HasNoNumberedBitmaps) {
    for (WORD id : {0, 1, 2, 100}) {
        SetLastError(0);
        EXPECT_EQ(FindResourceA(library(), MAKEINTRESOURCEA(id), RT_BITMAP), nullptr) << id;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND)) << id;
    }
}

// ---------------------------------------------------------------------------
// Icon, version block

TEST_F(VelskinLibrary, IconGroupHoldsOneThirtyTwoPixelSixteenColourIcon) {
    auto group = resourceBytes(library(), "MAINICON", RT_GROUP_ICON);
    ByteCursor cursor(group);
    EXPECT_EQ(cursor.u16(), 0);  // reserved
    EXPECT_EQ(cursor.u16(), 1);  // icons, not cursors
    EXPECT_EQ(cursor.u16(), 1);  // one image
    EXPECT_EQ(cursor.u8(), 32);
    EXPECT_EQ(cursor.u8(), 32);
    EXPECT_EQ(cursor.u8(), 16);
    cursor.skip(1);
    EXPECT_EQ(cursor.u16(), 1);  // planes
    EXPECT_EQ(cursor.u16(), 4);  // bits per pixel
    const std::uint32_t imageSize = cursor.u32();
    const std::uint16_t id = cursor.u16();
    ASSERT_TRUE(cursor.ok());
    EXPECT_TRUE(cursor.atEnd());
    EXPECT_EQ(id, 1);

    auto image = resourceBytes(library(), MAKEINTRESOURCEA(id), RT_ICON);
    EXPECT_EQ(image.size(), imageSize);
    ByteCursor header(image);
    EXPECT_EQ(header.u32(), kInfoHeaderSize);
    EXPECT_EQ(header.u32(), 32u);
    EXPECT_EQ(header.u32(), 64u);  // colour and transparency masks together
    header.skip(2);
    EXPECT_EQ(header.u16(), 4);
    ASSERT_TRUE(header.ok());

    HICON icon = static_cast<HICON>(LoadImageA(library(), "mainicon", IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    UniqueGdiObject colour(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap = {};
    ASSERT_TRUE(GetObjectA(colour.get(), sizeof bitmap, &bitmap));
    EXPECT_EQ(bitmap.bmWidth, 32);
    EXPECT_EQ(bitmap.bmHeight, 32);
    DestroyIcon(icon);
}

TEST_F(VelskinLibrary, IconAndVersionBlockExistInDanishOnly) {
    const std::vector<LANGID> danish{kDanish};
    EXPECT_EQ(languagesOf(library(), RT_GROUP_ICON, "MAINICON"), danish);
    EXPECT_EQ(languagesOf(library(), RT_ICON, MAKEINTRESOURCEA(1)), danish);
    EXPECT_EQ(languagesOf(library(), RT_VERSION, MAKEINTRESOURCEA(1)), danish);
}

class VersionBlock : public VelskinLibrary {
protected:
    void SetUp() override {
        VelskinLibrary::SetUp();
        const std::string path = libraryPath();
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        ASSERT_GT(size, 0u);
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block_.data()));
    }
    std::span<const std::uint8_t> query(const std::string& key) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block_.data(), key.c_str(), &value, &length) || !value) return {};
        return {static_cast<const std::uint8_t*>(value), length};
    }
    std::vector<std::uint8_t> block_;
};

TEST_F(VersionBlock, FixedPartHoldsFileAndProductVersion) {
    auto fixed = query("\\");
    ASSERT_EQ(fixed.size(), sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, fixed.data(), sizeof info);
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionLS, 0x00000001u);
    EXPECT_EQ(info.dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(info.dwProductVersionLS, 0x00000000u);
    EXPECT_EQ(info.dwFileType, static_cast<DWORD>(VFT_DLL));
}

TEST_F(VersionBlock, TranslationIsDanishInCodePage1252) {
    ByteCursor translation(query("\\VarFileInfo\\Translation"));
    EXPECT_EQ(translation.u16(), kDanish);
    EXPECT_EQ(translation.u16(), 1252);
    EXPECT_TRUE(translation.ok());
    EXPECT_TRUE(translation.atEnd());
}

TEST_F(VersionBlock, StringsReadBackAsWritten) {
    const struct {
        const char* key;
        const char* value;
    } strings[] = {
        {"FileDescription", "Tavrix Installer"}, {"FileVersion", "1.0.0.1"},
        {"InternalName", "Velskin.dll"},         {"OriginalFilename", "Velskin.dll"},
        {"ProductName", "Tavrix Builder"},       {"ProductVersion", "1.0.0.0"},
    };
    for (const auto& s : strings) {
        auto value = query(std::string("\\StringFileInfo\\040604E4\\") + s.key);
        ASSERT_FALSE(value.empty()) << s.key;
        EXPECT_STREQ(reinterpret_cast<const char*>(value.data()), s.value) << s.key;
    }
}

// ---------------------------------------------------------------------------
// No code but the entry point

struct ImageLayout {
    std::uint32_t entryPoint = 0;
    std::uint32_t exportRva = 0;
    std::uint32_t exportSize = 0;
    std::uint32_t exportedFunctions = 0;
    std::uint32_t exportedNames = 0;
};

constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::size_t kOptionalHeaderAfterSignature = 4 + 20;
constexpr std::uint16_t kPe32Magic = 0x10B;      // 32-bit images
constexpr std::uint16_t kPe32PlusMagic = 0x20B;  // 64-bit images: wider fields before the directories
constexpr std::size_t kEntryPointField = 16;
constexpr std::size_t kSizeOfImageField = 56;
constexpr std::size_t kDirectoryCountField = 92;
constexpr std::size_t kDirectoryCountFieldPlus = 108;
constexpr std::size_t kExportDirectoryFields = 20;

// Reads the loaded image's headers (the module handle is its base address).
bool readLayout(HMODULE module, ImageLayout& out) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    ByteCursor headers({base, 0x400});
    headers.seek(kPeOffsetField);
    const std::uint32_t pe = headers.u32();
    std::uint64_t optional = 0;
    if (!headers.ok() || !tavrix::addWithin(pe, kOptionalHeaderAfterSignature, headers.size(), optional))
        return false;
    headers.seek(optional + kSizeOfImageField);
    const std::uint32_t imageSize = headers.u32();
    if (!headers.ok() || imageSize < headers.size()) return false;

    ByteCursor image({base, imageSize});
    image.seek(pe);
    if (image.u32() != 0x00004550) return false;  // "PE\0\0"
    image.seek(optional);
    const std::uint16_t magic = image.u16();
    if (magic != kPe32Magic && magic != kPe32PlusMagic) return false;
    image.seek(optional + kEntryPointField);
    out.entryPoint = image.u32();
    image.seek(optional + (magic == kPe32Magic ? kDirectoryCountField : kDirectoryCountFieldPlus));
    if (image.u32() < 1) return false;
    out.exportRva = image.u32();
    out.exportSize = image.u32();
    if (out.exportSize != 0) {
        image.seek(out.exportRva + kExportDirectoryFields);
        out.exportedFunctions = image.u32();
        out.exportedNames = image.u32();
    }
    return image.ok();
}

TEST_F(VelskinLibrary, ExportsNoFunctions) {
    ImageLayout layout;
    ASSERT_TRUE(readLayout(library(), layout));
    EXPECT_EQ(layout.exportedFunctions, 0u);
    EXPECT_EQ(layout.exportedNames, 0u);
    EXPECT_EQ(GetProcAddress(library(), MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_EQ(GetProcAddress(library(), "DllMain"), nullptr);
    EXPECT_EQ(GetProcAddress(library(), "VelskinEntry"), nullptr);
}

TEST_F(VelskinLibrary, EntryPointAnswersOneForEveryReason) {
    ImageLayout layout;
    ASSERT_TRUE(readLayout(library(), layout));
    ASSERT_NE(layout.entryPoint, 0u);
    using Entry = BOOL(WINAPI*)(HINSTANCE, DWORD, LPVOID);
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<std::uintptr_t>(library()) + layout.entryPoint);
    for (DWORD reason : {DWORD{DLL_PROCESS_ATTACH}, DWORD{DLL_THREAD_ATTACH}, DWORD{DLL_THREAD_DETACH},
                         DWORD{DLL_PROCESS_DETACH}, DWORD{4}, DWORD{0xFFFF}}) {
        EXPECT_EQ(entry(library(), reason, nullptr), TRUE) << reason;
    }
}

TEST(VelskinLoading, LoadsAgainAndAgainLikeEveryWindowDoes) {
    // Eight windows each hold their own handle; freeing them in any order
    // keeps the library usable until the last one goes.
    std::vector<UniqueModule> handles;
    for (int i = 0; i < 8; ++i) {
        handles.emplace_back(LoadLibraryA("Velskin.dll"));
        ASSERT_TRUE(handles.back());
        EXPECT_EQ(handles.back().get(), handles.front().get());
    }
    while (handles.size() > 1) {
        handles.erase(handles.begin());
        EXPECT_NE(FindResourceA(handles.front().get(), "QForm", RT_BITMAP), nullptr);
    }
}

}  // namespace
