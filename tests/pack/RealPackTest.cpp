// Add and Delete through the component with the real PACK32.DLL, checked by
// listing, by extracting with the real UNPACK32.DLL and byte for byte. The
// archives of the "packed" folder are checked again afterwards by unzip and
// 7z (check-component-archives.sh).
#include "tests/pack/PackTestSupport.h"

#include "archive/MessageIds.h"

#include <algorithm>
#include <set>

namespace tavrix::archive {
namespace {

using namespace testing;

constexpr std::int64_t kDay = 24 * 60 * 60;

class RealPack : public ExtractFixture {
protected:
    RealPack() {
        builder.SetUnattended(true);
        builder.SetDLLDirectory(realEnginesDir());
        builder.SetAddCompLevel(6);
        src = out + "\\src";
        ::CreateDirectoryA(src.c_str(), nullptr);
        ::CreateDirectoryA((src + "\\docs").c_str(), nullptr);
        ::CreateDirectoryA((src + "\\data").c_str(), nullptr);
        writeFile(src + "\\a.txt", "alpha\r\n");
        writeFile(src + "\\b.txt", std::string(5000, 'b'));
        writeFile(src + "\\docs\\readme.txt", "Read me.\r\n");
        writeFile(src + "\\data\\mixed.bin", mixedBytes(300 * 1024, 7));
        writeFile(src + "\\empty.txt", "");
        for (const char* name : {"a.txt", "b.txt", "docs\\readme.txt", "data\\mixed.bin", "empty.txt"})
            setAge(src + "\\" + name, 3 * kDay);
        archive = out + "\\pack.zip";
        // Stored names are relative to the current directory.
        ::SetCurrentDirectoryA(src.c_str());
    }

    void add(std::vector<std::string> specs, AddOpts options = {AddDirNames, AddRecurseDirs}) {
        builder.SetAddOptions(options);
        builder.FSpecArgs() = std::move(specs);
        builder.SetZipFileName(archive);
        builder.Add();
    }
    void remove(std::vector<std::string> specs) {
        builder.FSpecArgs() = std::move(specs);
        builder.SetZipFileName(archive);
        builder.Delete();
    }
    std::set<std::string> names() const {
        std::set<std::string> listed;
        for (const ZipDirEntry& e : builder.DirEntries()) listed.insert(e.fileName);
        return listed;
    }
    // Extracts the whole archive with the real extraction engine.
    Tree extracted(const std::string& password = "") {
        const std::string into = out + "\\extracted";
        removeTree(into);
        ::CreateDirectoryA(into.c_str(), nullptr);
        builder.SetPassword(password);
        builder.SetExtrBaseDir(into);
        builder.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
        builder.SetZipFileName(archive);
        builder.Extract();
        ::SetCurrentDirectoryA(src.c_str());
        return readTree(into);
    }
    // Keeps a copy for the unzip and 7z checks after the test program.
    void keepForPeers(const std::string& name) {
        const std::string packed = programDir() + "packed";
        ::CreateDirectoryA(packed.c_str(), nullptr);
        ASSERT_TRUE(::CopyFileA(archive.c_str(), (packed + "\\" + name).c_str(), FALSE));
    }
    // Every file the folder holds besides the archive and the sources.
    std::vector<std::string> leftovers() const {
        std::vector<std::string> found;
        WIN32_FIND_DATAA item;
        HANDLE search = ::FindFirstFileA((out + "\\*").c_str(), &item);
        if (search == INVALID_HANDLE_VALUE) return found;
        do {
            const std::string name = item.cFileName;
            if (name != "." && name != ".." && name != "src" && name != "pack.zip") found.push_back(name);
        } while (::FindNextFileA(search, &item));
        ::FindClose(search);
        return found;
    }

    std::string src;
    std::string archive;
};

TEST_F(RealPack, AddsATreeToANewArchiveThatExtractsToTheSameFiles) {
    add({"*.*"});
    EXPECT_EQ(builder.ProcessedCount(), 5);
    EXPECT_EQ(builder.LastErrCode(), 0) << builder.LastMessage();
    EXPECT_EQ(names(),
              (std::set<std::string>{"a.txt", "b.txt", "docs\\readme.txt", "data\\mixed.bin", "empty.txt"}));
    EXPECT_EQ(builder.PackDllHandle(), nullptr);
    EXPECT_GE(countOf(pgFileStart), 5u);
    keepForPeers("tree.zip");

    Tree want = readTree(src);
    EXPECT_EQ(extracted(), want);
}

TEST_F(RealPack, AddsToAnExistingArchiveAndKeepsWhatItHeld) {
    add({"a.txt"}, {});
    ASSERT_EQ(builder.Count(), 1);
    const ZipCentralFields first = builder.DirEntries()[0].header;
    add({"docs\\*.txt"}, {AddDirNames});
    EXPECT_EQ(builder.ProcessedCount(), 1);
    ASSERT_EQ(names(), (std::set<std::string>{"a.txt", "docs\\readme.txt"}));
    const auto kept = std::find_if(builder.DirEntries().begin(), builder.DirEntries().end(),
                                   [](const ZipDirEntry& e) { return e.fileName == "a.txt"; });
    EXPECT_EQ(kept->header.crc32, first.crc32);
    EXPECT_EQ(kept->header.dateTime, first.dateTime);
    // Without folder names the file is stored bare.
    add({"data\\mixed.bin"}, {});
    EXPECT_EQ(names().count("mixed.bin"), 1u);
}

TEST_F(RealPack, FreshenAndUpdateTakeOnlyNewerFiles) {
    add({"a.txt", "b.txt"}, {});
    ASSERT_EQ(builder.Count(), 2);
    writeFile(src + "\\a.txt", "alpha, newer\r\n");
    setAge(src + "\\a.txt", kDay);
    writeFile(src + "\\c.txt", "gamma");
    setAge(src + "\\c.txt", kDay);

    add({"*.txt"}, {AddFreshen});  // only what the archive holds, when newer
    EXPECT_EQ(builder.ProcessedCount(), 1);
    EXPECT_EQ(names(), (std::set<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(extracted().files["a.txt"], "alpha, newer\r\n");

    add({"*.txt"}, {AddUpdate, AddFreshen});  // new files too; both asked: update
    EXPECT_EQ(builder.ProcessedCount(), 2);   // c.txt and empty.txt
    EXPECT_EQ(names(), (std::set<std::string>{"a.txt", "b.txt", "c.txt", "empty.txt"}));

    // An older file than the archive's entry changes nothing.
    const std::string before = readBytes(archive);
    writeFile(src + "\\b.txt", "older");
    setAge(src + "\\b.txt", 10 * kDay);
    add({"b.txt"}, {AddUpdate});
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_EQ(readBytes(archive), before);
}

TEST_F(RealPack, DeletesOneManyOrNone) {
    add({"*.*"});
    ASSERT_EQ(builder.Count(), 5);
    remove({"a.txt"});
    EXPECT_EQ(builder.ProcessedCount(), 1);
    EXPECT_EQ(builder.Count(), 4);
    remove({"docs\\*", "*.bin"});
    EXPECT_EQ(builder.ProcessedCount(), 2);
    EXPECT_EQ(names(), (std::set<std::string>{"b.txt", "empty.txt"}));
    keepForPeers("deleted.zip");

    const std::string before = readBytes(archive);
    int listings = 0;
    builder.OnDirUpdate = [&listings](TArchiveBuilder*) { ++listings; };
    builder.FSpecArgs() = {"no-such-file"};
    builder.Delete();
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_EQ(listings, 0);
    EXPECT_EQ(readBytes(archive), before);
    EXPECT_EQ(builder.PackDllHandle(), nullptr);
}

TEST_F(RealPack, EncryptedAddNeedsThePasswordAndDeleteKeepsEntriesItCannotRead) {
    builder.SetPassword("Tavrix-42");
    add({"*.*"}, {AddDirNames, AddRecurseDirs, AddEncrypt});
    ASSERT_EQ(builder.ProcessedCount(), 5);
    for (const ZipDirEntry& e : builder.DirEntries()) {
        if (e.header.uncompressedSize > 0) {
            EXPECT_TRUE(e.header.flags & 1) << e.fileName;
        }
    }
    keepForPeers("encrypted.zip");
    const Tree want = readTree(src);
    EXPECT_EQ(extracted("Tavrix-42"), want);

    // No password: the kept entries are copied as they are, never inflated.
    builder.SetPassword("");
    remove({"a.txt"});
    EXPECT_EQ(builder.ProcessedCount(), 1);
    Tree rest = want;
    rest.files.erase("a.txt");
    EXPECT_EQ(extracted("Tavrix-42"), rest);
}

TEST_F(RealPack, CancelledAddLeavesTheArchiveAsItWas) {
    add({"a.txt", "b.txt"}, {});
    const std::string before = readBytes(archive);
    builder.OnProgress = [this](TArchiveBuilder*, ProgressType type, const std::string& name, long) {
        if (type == pgFileStart && name.find("mixed") != std::string::npos) builder.SetCancel(true);
    };
    add({"*.*"});
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_FALSE(builder.Cancel());
    EXPECT_EQ(readBytes(archive), before);
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST_F(RealPack, AddThatCannotReadASourceLeavesTheArchiveAsItWas) {
    add({"a.txt"}, {});
    const std::string before = readBytes(archive);
    // Held open without sharing: the engine cannot read it.
    HANDLE locked = ::CreateFileA((src + "\\docs\\readme.txt").c_str(), GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    messages.clear();
    add({"*.*"});
    ::CloseHandle(locked);
    EXPECT_EQ(builder.ProcessedCount(), 0);
    EXPECT_NE(builder.LastErrCode(), 0);
    EXPECT_FALSE(messages.empty());
    EXPECT_EQ(readBytes(archive), before);
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST_F(RealPack, TempDirHoldsTheWorkAndNothingStaysThere) {
    const std::string temp = out + "\\temp";
    ::CreateDirectoryA(temp.c_str(), nullptr);
    builder.SetTempDir(temp);
    add({"*.*"});
    EXPECT_EQ(builder.ProcessedCount(), 5);
    EXPECT_EQ(readTree(temp), Tree{});
}

TEST_F(RealPack, AddDuringAnAddIsIgnoredAndAnExtractThereRuns) {
    add({"a.txt"}, {});
    const std::string into = out + "\\inner";
    ::CreateDirectoryA(into.c_str(), nullptr);
    int nested = 0;
    int innerExtracted = -1;
    builder.OnProgress = [&](TArchiveBuilder* sender, ProgressType type, const std::string&, long) {
        if (type != pgFileStart || nested++ != 0) return;
        sender->FSpecArgs() = {"b.txt"};
        sender->Add();
        EXPECT_EQ(sender->LastErrCode(), 0);
        sender->FSpecArgs().clear();  // the ignored Add left its list
        // The archive being replaced is still the old one: a.txt alone.
        TArchiveBuilder reader;
        reader.SetUnattended(true);
        reader.SetDLLDirectory(realEnginesDir());
        reader.SetExtrBaseDir(into);
        reader.SetZipFileName(archive);
        reader.Extract();
        innerExtracted = reader.ProcessedCount();
        sender->SetExtrBaseDir(into);
        sender->SetExtrOptions({ExtrOverWrite});
        sender->Extract();
        EXPECT_EQ(sender->ProcessedCount(), 1) << sender->LastMessage();
        ::SetCurrentDirectoryA(src.c_str());
    };
    add({"docs\\readme.txt"}, {AddDirNames});
    EXPECT_EQ(innerExtracted, 1);
    EXPECT_EQ(readTree(into).files.count("a.txt"), 1u);
    EXPECT_EQ(names(), (std::set<std::string>{"a.txt", "docs\\readme.txt"}));
}

}  // namespace
}  // namespace tavrix::archive
