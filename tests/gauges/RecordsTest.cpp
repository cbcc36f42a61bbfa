// Every field of every record, read back at its byte offset from the loaded
// module: the host knows nothing but these offsets.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "tests/gauges/ModuleFixture.h"

namespace {

using namespace gaugetest;

// The byte offsets below are the 32-bit host's contract; a 64-bit build keeps
// the fields' order with wider pointers, so only the 32-bit build checks them.
#define SKIP_UNLESS_32_BIT_LAYOUT() \
    if (sizeof(void*) != 4) GTEST_SKIP() << "byte offsets of the 32-bit layout"

struct Field {
    std::size_t offset;
    std::uint32_t value;
};

void expectFields(const void* record, std::initializer_list<Field> fields, const char* what) {
    for (const Field& f : fields)
        EXPECT_EQ(fieldAt(record, f.offset), f.value) << what << " at offset " << f.offset;
}

void expectZero(const void* record, std::size_t from, std::size_t to, const char* what) {
    for (std::size_t off = from; off < to; off += 4)
        EXPECT_EQ(fieldAt(record, off), 0u) << what << " at " << off;
}

struct Rect {
    std::uint32_t kind;
    std::int32_t x, y, w, h, cursor;
    std::uint32_t help, flags, event;
    bool callback;
};

void expectMouseList(const void* list, const std::vector<Rect>& rects) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const void* r = static_cast<const std::uint8_t*>(list) + 44 * i;
        const Rect& e = rects[i];
        SCOPED_TRACE("mouse rectangle " + std::to_string(i + 1));
        EXPECT_EQ(fieldAt(r, 0), e.kind);
        EXPECT_EQ(fieldAt<std::int32_t>(r, 4), e.x);
        EXPECT_EQ(fieldAt<std::int32_t>(r, 8), e.y);
        EXPECT_EQ(fieldAt<std::int32_t>(r, 12), e.w);
        EXPECT_EQ(fieldAt<std::int32_t>(r, 16), e.h);
        EXPECT_EQ(fieldAt<std::int32_t>(r, 20), e.cursor);
        EXPECT_EQ(fieldAt(r, 24), e.help);
        EXPECT_EQ(fieldAt(r, 28), e.flags);
        EXPECT_EQ(fieldAt(r, 32), e.event);
        EXPECT_EQ(pointerAt(r, 36) != nullptr, e.callback);
        EXPECT_EQ(fieldAt(r, 40), 0u);
    }
}

void expectHeaderCommon(const void* header, std::uint32_t version, const char* name, std::uint32_t widthMm) {
    EXPECT_EQ(fieldAt(header, 0), version);
    EXPECT_STREQ(static_cast<const char*>(pointerAt(header, 4)), name);
    std::set<void*> routines;
    for (std::size_t off = 12; off <= 36; off += 4) {
        EXPECT_NE(pointerAt(header, off), nullptr) << "routine at " << off;
        routines.insert(pointerAt(header, off));
    }
    EXPECT_EQ(routines.size(), 7u) << "seven distinct routines";
    expectFields(
        header,
        {{40, 0}, {44, widthMm}, {48, 0}, {52, 0}, {56, 0}, {60, 0}, {64, 0}, {68, 0}, {72, 0}, {76, 0}},
        "gauge header");
}

// The name the library's export directory gives itself: hosts list modules
// by it, whatever the file is called on disk.
std::string exportedLibraryName(HMODULE module) {
    const auto* base = reinterpret_cast<const std::uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& exports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (exports.VirtualAddress == 0) return {};
    const auto* directory = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + exports.VirtualAddress);
    return reinterpret_cast<const char*>(base + directory->Name);
}

TEST(KelvorRecords, ExportsBothNamesOfEachRecordAtOneAddress) {
    LoadedModule m(KELVOR_PATH);
    ASSERT_TRUE(m.handle);
    EXPECT_EQ(exportedLibraryName(m.handle), "Kelvor.gau");
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(m.handle, "_Linkage")), m.linkage);
    EXPECT_EQ(reinterpret_cast<void*>(::GetProcAddress(m.handle, "_ImportTable")), m.imports);
}

TEST(KelvorRecords, EveryFieldAtItsOffset) {
    SKIP_UNLESS_32_BIT_LAYOUT();
    LoadedModule m(KELVOR_PATH);
    ASSERT_TRUE(m.linkage && m.imports);
    expectFields(m.imports, {{0, 0x0F}, {4, 0}, {8, 0}, {12, 0}}, "ImportTable");
    expectFields(m.linkage, {{0, 0x13}, {12, 0}, {16, 0}, {20, 0x800}, {28, 0}}, "Linkage");
    EXPECT_NE(pointerAt(m.linkage, 4), nullptr);
    EXPECT_NE(pointerAt(m.linkage, 8), nullptr);
    EXPECT_NE(pointerAt(m.linkage, 4), pointerAt(m.linkage, 8)) << "separate init and deinit routines";

    void* header = pointerAt(m.linkage, 24);
    ASSERT_NE(header, nullptr);
    expectHeaderCommon(header, 800, "Kelvor", 100);
    expectZero(header, 88, 128, "version-800 host fields");
    EXPECT_NE(pointerAt(header, 84), nullptr) << "gauge callback";

    void* element = pointerAt(pointerAt(header, 8), 0);
    ASSERT_NE(element, nullptr);
    expectFields(element,
                 {{0, 0},
                  {4, 4352},
                  {8, 0},
                  {12, 0},
                  {16, 0},
                  {20, 0},
                  {24, 0},
                  {28, 0},
                  {36, 0},
                  {40, 0},
                  {48, 0x83},
                  {52, 0},
                  {56, 0}},
                 "button element");
    EXPECT_EQ(pointerAt(element, 32), header);
    void* failures = pointerAt(element, 44);
    ASSERT_NE(failures, nullptr);
    expectFields(failures, {{0, 0}, {4, 0}}, "failure list");
    expectZero(element, 60, 96, "static image host fields");

    expectMouseList(pointerAt(header, 80), {{1, 0, 0, 0, 0, -1, 0, 0, 0, false},
                                            {2, 1, 0, 37, 16, 5, 0, 0x20000000, 0, true},
                                            {3, 0, 0, 0, 0, -1, 0, 0, 0, false},
                                            {0, 0, 0, 0, 0, -1, 0, 0, 0, false}});
}

TEST(DrelmoRecords, ExportsOnlyLinkageAndImportTable) {
    LoadedModule m(DRELMO_PATH);
    ASSERT_TRUE(m.handle);
    EXPECT_EQ(exportedLibraryName(m.handle), "Drelmo.gau");
    EXPECT_EQ(::GetProcAddress(m.handle, "_Linkage"), nullptr);
    EXPECT_EQ(::GetProcAddress(m.handle, "_ImportTable"), nullptr);
}

void expectNeedle(const void* needle, const void* header, std::uint32_t bitmap, std::uint32_t flags) {
    expectFields(needle,
                 {{0, 1},
                  {4, bitmap},
                  {8, 151},
                  {12, 151},
                  {16, 0},
                  {20, 0},
                  {24, 21},
                  {28, 19},
                  {36, 0},
                  {40, 0},
                  {48, flags},
                  {52, 0},
                  {56, 0}},
                 "needle");
    EXPECT_EQ(pointerAt(needle, 32), header);
    expectFields(needle, {{60, 329}, {64, 0}, {68, 0}, {72, 0}, {76, 0}, {80, 0}, {84, 0}}, "SimVariable");
    EXPECT_NE(pointerAt(needle, 88), nullptr) << "needle callback";
    expectFields(needle, {{92, 0}, {96, 0}, {100, 0}, {104, 125}, {108, 12}, {116, 7}, {120, 6}}, "needle");
    expectZero(needle, 124, 224, "needle host state");
    const void* table = pointerAt(needle, 112);
    ASSERT_NE(table, nullptr);
    const struct {
        std::int32_t x, y;
        double value;
    } marks[] = {{0, 151, 0},       {30, 73, 2050},    {202, 18, 6143},  {271, 75, 8190},
                 {271, 228, 12253}, {201, 283, 14331}, {103, 281, 16382}};
    for (std::size_t i = 0; i < 7; ++i) {
        const void* entry = static_cast<const std::uint8_t*>(table) + 24 * i;
        SCOPED_TRACE("needle table entry " + std::to_string(i + 1));
        EXPECT_EQ(fieldAt<std::int32_t>(entry, 0), marks[i].x);
        EXPECT_EQ(fieldAt<std::int32_t>(entry, 4), marks[i].y);
        EXPECT_EQ(fieldAt<double>(entry, 8), marks[i].value);
        EXPECT_EQ(fieldAt<std::uint64_t>(entry, 16), 0u);
    }
}

TEST(DrelmoRecords, EveryFieldAtItsOffset) {
    SKIP_UNLESS_32_BIT_LAYOUT();
    LoadedModule m(DRELMO_PATH);
    ASSERT_TRUE(m.linkage && m.imports);
    expectFields(m.imports, {{0, 0x0F}, {4, 0}, {8, 0}, {12, 0}}, "ImportTable");
    expectFields(m.linkage, {{0, 0x13}, {12, 0}, {16, 0}, {20, 0}, {28, 0}}, "Linkage");
    EXPECT_NE(pointerAt(m.linkage, 4), nullptr);
    EXPECT_EQ(pointerAt(m.linkage, 4), pointerAt(m.linkage, 8)) << "one empty routine for init and deinit";

    void* header = pointerAt(m.linkage, 24);
    ASSERT_NE(header, nullptr);
    expectHeaderCommon(header, 610, "Drelmo", 50);
    expectFields(header, {{80, 0}, {84, 0}}, "no mouse list, no gauge callback");

    // The header names the normal tree's cell; the bright tree's cell follows it.
    void* cells = pointerAt(header, 8);
    void* normalFace = pointerAt(cells, 0);
    void* brightFace = pointerAt(cells, 4);
    ASSERT_TRUE(normalFace && brightFace);
    const struct {
        void* face;
        std::uint32_t faceBitmap, faceFlags, needleBitmap, needleFlags;
    } trees[] = {{normalFace, 101, 0x1, 102, 0x3}, {brightFace, 104, 0x5, 103, 0x7}};
    std::set<void*> tables;
    void* sharedFailures = nullptr;
    for (const auto& tree : trees) {
        SCOPED_TRACE("tree of bitmap " + std::to_string(tree.faceBitmap));
        expectFields(tree.face,
                     {{0, 0},
                      {4, tree.faceBitmap},
                      {8, 0},
                      {12, 0},
                      {16, 0},
                      {20, 0},
                      {24, 0},
                      {28, 0},
                      {36, 0},
                      {44, 0},
                      {48, tree.faceFlags},
                      {52, 0},
                      {56, 0}},
                     "dial face");
        EXPECT_EQ(pointerAt(tree.face, 32), header);
        expectZero(tree.face, 60, 80, "static image host fields");
        void* next = pointerAt(tree.face, 40);
        ASSERT_NE(next, nullptr);
        void* needle = pointerAt(next, 0);
        EXPECT_EQ(pointerAt(next, 4), nullptr) << "one needle per face";
        ASSERT_NE(needle, nullptr);
        expectNeedle(needle, header, tree.needleBitmap, tree.needleFlags);
        tables.insert(pointerAt(needle, 112));
        void* failures = pointerAt(needle, 44);
        ASSERT_NE(failures, nullptr);
        expectFields(failures, {{0, 1}, {4, 2}, {8, 0}, {12, 0}}, "needle failure list");
        if (sharedFailures) {
            EXPECT_EQ(failures, sharedFailures) << "one list for both needles";
        }
        sharedFailures = failures;
    }
    EXPECT_EQ(tables.size(), 2u) << "each needle has a table of its own";
    EXPECT_EQ(pointerAt(pointerAt(pointerAt(normalFace, 40), 0), 88),
              pointerAt(pointerAt(pointerAt(brightFace, 40), 0), 88))
        << "both needles use one callback";
}

TEST(DrelmoRecords, MouseListAsTheModuleInstallsIt) {
    SKIP_UNLESS_32_BIT_LAYOUT();
    LoadedModule m(DRELMO_PATH);
    ASSERT_TRUE(m.linkage);
    RecordingServices services;
    m.attach(services);
    m.header().routines.install(nullptr);  // the list is reached only through the module's own install
    ASSERT_NE(services.mouseList, nullptr);
    expectMouseList(services.mouseList, {{1, 0, 0, 0, 0, -1, 0xA015, 0, 0, false},
                                         {2, 0, 0, 302, 150, 2, 0, 0x20000000, 0, true},
                                         {2, 0, 151, 302, 302, 1, 0, 0x20000000, 0, true},
                                         {3, 0, 0, 0, 0, -1, 0, 0, 0, false},
                                         {0, 0, 0, 0, 0, -1, 0, 0, 0, false}});
}

}  // namespace
