// Shared pieces of the Extract tests: paths beside the test program (full
// paths, since Extract moves the current directory), scratch folders, trees
// read back for comparison, and a fixture that records every event.
#pragma once

#include "archive/ArchiveBuilder.h"
#include "tests/archive/ComponentTestSupport.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tavrix::archive::testing {

// The folder of the test program, with its trailing backslash.
inline std::string programDir() {
    char path[MAX_PATH];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string full(path, n);
    return full.substr(0, full.find_last_of('\\') + 1);
}

inline std::string dataPath(const std::string& name) {
    return programDir() + "data\\" + name;
}

// The real UNPACK32.DLL of this build, and the test engines.
inline std::string realEngineDir() {
    return programDir() + "engines\\real";
}
inline std::string testEngineDir(const std::string& variant) {
    return besideProgram(programDir() + "..\\archive\\engines\\" + variant);
}

inline std::string currentDirectory() {
    char path[MAX_PATH];
    DWORD n = ::GetCurrentDirectoryA(sizeof path, path);
    return std::string(path, n);
}

inline void removeTree(const std::string& root) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((root + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const std::string path = root + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
                ::DeleteFileA(path.c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    ::RemoveDirectoryA(root.c_str());
}

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every file below a folder with its bytes, and every folder, by relative
// path ("docs\\readme.txt").
struct Tree {
    std::map<std::string, std::string> files;
    std::set<std::string> folders;
    bool operator==(const Tree&) const = default;
};

inline void readTreeInto(const std::string& root, const std::string& prefix, Tree& tree) {
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((root + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string relative = prefix + name;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            tree.folders.insert(relative);
            readTreeInto(root + "\\" + name, relative + "\\", tree);
        } else {
            tree.files[relative] = readBytes(root + "\\" + name);
        }
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
}

inline Tree readTree(const std::string& root) {
    Tree tree;
    readTreeInto(root, "", tree);
    return tree;
}

// Names only, for readable failure reports.
inline std::vector<std::string> fileNames(const Tree& tree) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : tree.files) names.push_back(name);
    return names;
}

struct Event {
    ProgressType type;
    std::string name;
    long size;
    bool operator==(const Event&) const = default;
};

inline void PrintTo(const Event& e, std::ostream* os) {
    *os << "{" << static_cast<int>(e.type) << ", \"" << e.name << "\", " << e.size << "}";
}

// A component set up as the installation page sets it, every box, message
// and event recorded, a scratch folder of the test's own, and the current
// directory restored afterwards.
class ExtractFixture : public ::testing::Test {
protected:
    ExtractFixture() : savedDirectory(currentDirectory()) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "." + info->name();
        for (char& ch : name)
            if (ch == '/') ch = '_';
        out = programDir() + "out\\" + name;
        removeTree(out);
        ::CreateDirectoryA((programDir() + "out").c_str(), nullptr);
        ::CreateDirectoryA(out.c_str(), nullptr);

        builder.SetVerbose(true);
        builder.SetExtrOptions({ExtrDirNames});
        builder.OnMessage = [this](TArchiveBuilder*, int code, const std::string& text) {
            messages.push_back({code, text});
        };
        builder.OnProgress = [this](TArchiveBuilder* sender, ProgressType type, const std::string& fileName,
                                    long fileSize) {
            EXPECT_EQ(sender, &builder);
            events.push_back({type, fileName, fileSize});
            if (onEvent) onEvent(events.back());
        };
    }
    ~ExtractFixture() override {
        builder.Unload_Unpack_Dll();
        ::SetCurrentDirectoryA(savedDirectory.c_str());
    }

    // Names the archive and forgets what its listing reported.
    void useArchive(const std::string& path) {
        builder.SetZipFileName(path);
        messages.clear();
        boxes.texts.clear();
    }

    std::size_t countOf(ProgressType type) const {
        std::size_t n = 0;
        for (const Event& e : events) n += e.type == type;
        return n;
    }

    std::string savedDirectory;
    std::string out;
    RecordedBoxes boxes;
    TArchiveBuilder builder;
    std::vector<SeenMessage> messages;
    std::vector<Event> events;
    std::function<void(const Event&)> onEvent;  // runs inside OnProgress
};

}  // namespace tavrix::archive::testing
