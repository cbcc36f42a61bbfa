// The file version read from a PE file's version resource: from gauges a
// real linker made (32-bit and 64-bit), from a minimal image written here,
// and refused from images whose tables are cut, point away or say
// something else. Then the rule that keeps a newer gauge.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "installer/FileVersion.h"

namespace tavrix::installer {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes fixtureBytes(const char* name) {
    Bytes bytes;
    if (std::FILE* file = std::fopen((std::string(TEST_SIM_FILES "/") + name).c_str(), "rb")) {
        std::uint8_t buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            bytes.insert(bytes.end(), buffer, buffer + n);
        std::fclose(file);
    }
    return bytes;
}

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    storeLe16(b.data() + at, v);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    storeLe32(b.data() + at, v);
}

// Offsets of the minimal image's parts, for the cases that spoil one.
constexpr std::size_t kPe = 0x40;
constexpr std::size_t kOptional = kPe + 24;
constexpr std::size_t kResources = 0x200;  // the one section's data
constexpr std::uint32_t kSectionAddress = 0x1000;
constexpr std::size_t kTypeEntry = kResources + 16;
constexpr std::size_t kNameEntry = kResources + 0x18 + 16;
constexpr std::size_t kLanguageEntry = kResources + 0x30 + 16;
constexpr std::size_t kDataEntry = kResources + 0x48;
constexpr std::size_t kBlock = kResources + 0x58;

// A PE image of one section holding one version resource, as a linker
// lays it out: type, name and language directories, the data entry, then
// the version block.
Bytes minimalImage(bool plus, FileVersion version) {
    const std::size_t optionalSize = plus ? 240 : 224;
    const std::size_t sectionTable = kOptional + optionalSize;
    const std::size_t blockSize = 40 + 52;
    Bytes b(kBlock + blockSize, 0);
    put16(b, 0, 0x5A4D);
    put32(b, 0x3C, kPe);
    put32(b, kPe, 0x4550);
    put16(b, kPe + 4, plus ? 0x8664 : 0x14C);
    put16(b, kPe + 6, 1);
    put16(b, kPe + 20, static_cast<std::uint16_t>(optionalSize));
    put16(b, kOptional, plus ? 0x20B : 0x10B);
    const std::size_t directories = kOptional + (plus ? 112 : 96);
    put32(b, directories - 4, 16);
    put32(b, directories + 16, kSectionAddress);
    put32(b, directories + 20, static_cast<std::uint32_t>(b.size() - kResources));
    std::memcpy(b.data() + sectionTable, ".rsrc", 5);
    put32(b, sectionTable + 8, static_cast<std::uint32_t>(b.size() - kResources));
    put32(b, sectionTable + 12, kSectionAddress);
    put32(b, sectionTable + 16, static_cast<std::uint32_t>(b.size() - kResources));
    put32(b, sectionTable + 20, kResources);
    const std::uint32_t directoryBit = 0x80000000u;
    put16(b, kTypeEntry - 2, 1);
    put32(b, kTypeEntry, 16);
    put32(b, kTypeEntry + 4, directoryBit | 0x18);
    put16(b, kNameEntry - 2, 1);
    put32(b, kNameEntry, 1);
    put32(b, kNameEntry + 4, directoryBit | 0x30);
    put16(b, kLanguageEntry - 2, 1);
    put32(b, kLanguageEntry, 0x409);
    put32(b, kLanguageEntry + 4, 0x48);
    put32(b, kDataEntry, kSectionAddress + 0x58);
    put32(b, kDataEntry + 4, static_cast<std::uint32_t>(blockSize));
    put16(b, kBlock, static_cast<std::uint16_t>(blockSize));
    put16(b, kBlock + 2, 52);
    const char key[] = "VS_VERSION_INFO";
    for (std::size_t i = 0; key[i]; ++i) put16(b, kBlock + 6 + 2 * i, static_cast<std::uint8_t>(key[i]));
    put32(b, kBlock + 40, 0xFEEF04BD);
    put32(b, kBlock + 44, 0x10000);
    put32(b, kBlock + 48, static_cast<std::uint32_t>(version >> 32));
    put32(b, kBlock + 52, static_cast<std::uint32_t>(version));
    return b;
}

constexpr FileVersion kVersion = 0x0002000700010003ull;  // 2.7.1.3

TEST(FileVersion, ReadFromWhatALinkerMadeAndFromAMinimalImage) {
    for (const char* name : {"versioned-i686.gau", "versioned-x86_64.gau"}) {
        const Bytes gauge = fixtureBytes(name);
        ASSERT_FALSE(gauge.empty()) << name;
        EXPECT_EQ(peFileVersion(gauge), 0x000200070001001Eull) << name;  // 2.7.1.30
    }
    EXPECT_EQ(peFileVersion(minimalImage(false, kVersion)), kVersion);
    EXPECT_EQ(peFileVersion(minimalImage(true, kVersion)), kVersion);
    EXPECT_EQ(versionText(kVersion), "2.7.1.3");
    EXPECT_EQ(versionText(0xFFFF00000000FFFFull), "65535.0.0.65535");
}

TEST(FileVersion, CutOrMisleadingTablesGiveNoVersion) {
    const Bytes good = minimalImage(false, kVersion);
    // Every image cut short lacks the version block's end.
    for (std::size_t size = 0; size < good.size(); ++size)
        EXPECT_EQ(peFileVersion({good.data(), size}), std::nullopt) << size;
    const struct {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        bool wide;
    } spoilt[] = {
        {"not MZ", 0, 0x5A4E, false},
        {"PE header past the end", 0x3C, 0xFFFFFFF0u, true},
        {"no PE signature", kPe, 0x4551, true},
        {"unknown optional header", kOptional, 0x107, false},
        {"too few data directories", kOptional + 92, 2, true},
        {"resources in no section", kOptional + 112, 0x5000, true},
        {"resources longer than their section", kOptional + 116, 0x1000, true},
        {"an optional header longer than the file", kPe + 20, 0xFFFF, false},
        {"more sections than a loader takes", kPe + 6, 200, false},
        {"no version type", kTypeEntry, 3, true},
        {"a name entry that is data", kNameEntry + 4, 0x30, true},
        {"a language entry that is a directory", kLanguageEntry + 4, 0x80000048u, true},
        {"an entry count beyond the resources", kTypeEntry - 2, 0xFFFF, false},
        {"data outside the section", kDataEntry, 0x9000, true},
        {"data longer than the section", kDataEntry + 4, 0x400, true},
        {"another key", kBlock + 6 + 2 * 14, 'X', false},
        {"a short value", kBlock + 2, 20, false},
        {"no fixed part's signature", kBlock + 40, 0xFEEF04BE, true},
    };
    for (const auto& s : spoilt) {
        Bytes image = good;
        if (s.wide)
            put32(image, s.at, s.value);
        else
            put16(image, s.at, static_cast<std::uint16_t>(s.value));
        EXPECT_EQ(peFileVersion(image), std::nullopt) << s.what;
    }
}

TEST(FileVersion, NewerCopyThereIsKept) {
    const std::optional<FileVersion> none;
    EXPECT_TRUE(keepsNewerCopy(0x0001000200000000ull, 0x0001000100090009ull));
    EXPECT_FALSE(keepsNewerCopy(0x0001000100090009ull, 0x0001000200000000ull));
    EXPECT_FALSE(keepsNewerCopy(kVersion, kVersion));
    EXPECT_FALSE(keepsNewerCopy(none, kVersion));
    EXPECT_FALSE(keepsNewerCopy(kVersion, none));
    for (const char* name : {"Gauges\\Kelvor.gau", "x.DLL", "Setup.Exe"})
        EXPECT_TRUE(isVersionedName(name)) << name;
    for (const char* name : {"gau", "panel.cfg", "Kelvor.gau.txt", "a.bmp"})
        EXPECT_FALSE(isVersionedName(name)) << name;
}

}  // namespace
}  // namespace tavrix::installer
