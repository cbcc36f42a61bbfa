// Whether a path names a file or a folder: each question says yes only to
// its own kind, and no to what does not exist.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/win32/PathExists.h"
#include "common/win32/ProgramPath.h"

namespace {

using tavrix::win32::directoryExists;
using tavrix::win32::fileExists;

class PathExistsTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_NE(::GetTempPathA(MAX_PATH, temp), 0u);
        folder = std::string(temp) + "tavrix-path-exists-" + std::to_string(::GetCurrentProcessId());
        ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
        file = folder + "\\file.txt";
        HANDLE handle = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
        ::CloseHandle(handle);
    }
    void TearDown() override {
        ::DeleteFileA(file.c_str());
        ::RemoveDirectoryA(folder.c_str());
    }

    std::string folder;
    std::string file;
};

TEST_F(PathExistsTest, AFileIsAFileAndNotAFolder) {
    EXPECT_TRUE(fileExists(file));
    EXPECT_FALSE(directoryExists(file));
}

TEST_F(PathExistsTest, AFolderIsAFolderAndNotAFile) {
    EXPECT_TRUE(directoryExists(folder));
    EXPECT_TRUE(directoryExists(folder + "\\"));
    EXPECT_FALSE(fileExists(folder));
}

TEST_F(PathExistsTest, WhatDoesNotExistIsNeither) {
    EXPECT_FALSE(fileExists(folder + "\\missing.txt"));
    EXPECT_FALSE(directoryExists(folder + "\\missing"));
    EXPECT_FALSE(fileExists(folder + "\\missing\\file.txt"));
}

TEST_F(PathExistsTest, AnEmptyPathIsNeitherEvenThoughTheCurrentFolderExists) {
    ASSERT_TRUE(::SetCurrentDirectoryA(folder.c_str()));
    EXPECT_FALSE(fileExists(""));
    EXPECT_FALSE(directoryExists(""));
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    ::SetCurrentDirectoryA(temp);  // so the folder can be removed
}

}  // namespace

namespace {

// The program's own path in full, as the system gives it to a buffer that is
// surely large enough, and naming this very test program.
TEST(ProgramPath, IsTheWholePathOfTheRunningProgram) {
    std::string expected(32768, '\0');
    expected.resize(::GetModuleFileNameA(nullptr, expected.data(), static_cast<DWORD>(expected.size())));
    const std::string path = tavrix::win32::programPath();
    EXPECT_EQ(path, expected);
    ASSERT_GE(path.size(), 16u);
    EXPECT_EQ(path.substr(path.size() - 16), "common_tests.exe");
}

}  // namespace
