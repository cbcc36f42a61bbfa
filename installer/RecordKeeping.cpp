#include "installer/RecordKeeping.h"

#include <windows.h>

#include <algorithm>

#include "common/support/Crc32.h"
#include "common/win32/FileBytes.h"
#include "common/win32/FileSize.h"
#include "common/win32/PathExists.h"
#include "common/win32/UniqueHandle.h"
#include "installer/TextFile.h"

namespace tavrix::installer {

namespace {

// A file's CRC-32, read in pieces; none when it cannot be read.
std::optional<std::uint32_t> crcOfFile(const std::string& path) {
    win32::UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return std::nullopt;
    std::vector<char> buffer(65536);
    std::uint32_t crc = 0;
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0)
        crc = crc32(crc, buffer.data(), got);
    return crc;
}

std::optional<FoundFile> fileFound(const std::string& path, std::uint64_t expectedSize) {
    const std::optional<std::uint64_t> size = win32::fileSizeOf(path);
    if (!size) return std::nullopt;
    FoundFile found{*size, 0};
    // Only a file of the expected size can be the same; its CRC says whether it is.
    if (found.size != expectedSize) return found;
    const std::optional<std::uint32_t> crc = crcOfFile(path);
    if (!crc) found.size = ~std::uint64_t{0};  // unreadable: never the same
    found.crc = crc.value_or(0);
    return found;
}

}  // namespace

std::string temporaryFolder() {
    char folder[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathA(MAX_PATH, folder);
    return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string("C:\\");
}

bool makeFoldersBelow(const std::string& base, const std::string& name) {
    for (std::size_t slash = name.find('\\');; slash = name.find('\\', slash + 1)) {
        const std::string folder = pathBelow(base, name.substr(0, slash));
        if (!win32::directoryExists(folder) && !::CreateDirectoryA(folder.c_str(), nullptr)) return false;
        if (slash == std::string::npos) return true;
    }
}

std::string pathBelow(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

DestinationProbe probeOf(const std::string& destination) {
    return {[destination](const std::string& name) {
                return win32::directoryExists(pathBelow(destination, name));
            },
            [destination](const std::string& name, std::uint64_t expectedSize) {
                return fileFound(pathBelow(destination, name), expectedSize);
            }};
}

std::string recordFolderPath(const std::string& destination, const std::string& title) {
    return pathBelow(destination, recordFolder(title));
}

TextResult<> saveRecord(const std::string& destination, const InstallRecord& record) {
    if (!makeFoldersBelow(destination, recordFolder(record.title)))
        return TextFailure{"Unable to create directory " + recordFolderPath(destination, record.title)};
    return saveTextFile(pathBelow(recordFolderPath(destination, record.title), kRecordFileName),
                        recordText(record));
}

TextResult<InstallRecord> loadRecord(const std::string& recordFolder) {
    const std::optional<std::string> text = win32::readFileBytes(pathBelow(recordFolder, kRecordFileName));
    if (!text) return TextFailure{"Cannot open file " + pathBelow(recordFolder, kRecordFileName)};
    return parseRecord(*text);
}

bool sameAsRecorded(const std::string& path, const RecordedFile& file) {
    const std::optional<FoundFile> found = fileFound(path, file.size);
    return found && found->size == file.size && found->crc == file.crc;
}

std::optional<RecordedFile> recordedFileOf(const std::string& destination, const std::string& name) {
    const std::string path = pathBelow(destination, name);
    const std::optional<std::uint64_t> size = win32::fileSizeOf(path);
    const std::optional<std::uint32_t> crc = size ? crcOfFile(path) : std::nullopt;
    if (!crc) return std::nullopt;
    return RecordedFile{name, *size, *crc};
}

void removeEmptyFoldersUp(const std::string& base, std::string name) {
    for (;;) {
        if (!::RemoveDirectoryA(pathBelow(base, name).c_str())) return;
        const std::size_t slash = name.rfind('\\');
        if (slash == std::string::npos) return;
        name.resize(slash);
    }
}

void removeFoldersOf(const std::string& base, const std::vector<std::string>& names) {
    for (const std::string& name : names)
        if (const std::string folder = folderOf(name); !folder.empty()) removeEmptyFoldersUp(base, folder);
    ::RemoveDirectoryA(base.c_str());
}

std::string folderOf(const std::string& name) {
    const std::size_t slash = name.rfind('\\');
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

TextResult<> moveFiles(const std::string& from, const std::string& to,
                       const std::vector<std::string>& names) {
    std::vector<std::string> moved;
    for (const std::string& name : names) {
        const std::string folder = folderOf(name);
        const bool ready = win32::directoryExists(to) && (folder.empty() || makeFoldersBelow(to, folder));
        if (ready && ::MoveFileExA(pathBelow(from, name).c_str(), pathBelow(to, name).c_str(),
                                   MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH)) {
            moved.push_back(name);
            continue;
        }
        for (const std::string& back : moved)
            ::MoveFileExA(pathBelow(to, back).c_str(), pathBelow(from, back).c_str(),
                          MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
        return TextFailure{"Cannot move file " + pathBelow(from, name)};
    }
    return Done{};
}

TakenAway takeAway(const std::string& destination, const InstallRecord& record, bool onlyUnchanged,
                   RemovalProgress* progress) {
    TakenAway result;
    std::size_t done = 0;
    for (const RecordedFile& file : record.files) {
        const std::string path = pathBelow(destination, file.name);
        if (win32::fileExists(path) &&
            ((onlyUnchanged && !sameAsRecorded(path, file)) || !::DeleteFileA(path.c_str())))
            result.keptFiles.push_back(file.name);
        if (progress) progress->filesDone(++done);
    }
    const std::string own = recordFolderPath(destination, record.title);
    unregisterAddOn(record, own, result.keptFiles);
    const std::string replaced = pathBelow(own, kReplacedFolder);
    for (const std::string& name : record.replaced) {
        const std::string copy = pathBelow(replaced, name);
        if (!win32::fileExists(copy)) continue;
        if (!::MoveFileExA(copy.c_str(), pathBelow(destination, name).c_str(), MOVEFILE_WRITE_THROUGH) &&
            std::find(result.keptFiles.begin(), result.keptFiles.end(), name) == result.keptFiles.end())
            result.keptFiles.push_back(name);
    }
    removeFoldersOf(replaced, record.replaced);
    // Innermost first: a folder goes only once what it held is gone.
    for (auto folder = record.folders.rbegin(); folder != record.folders.rend(); ++folder)
        ::RemoveDirectoryA(pathBelow(destination, *folder).c_str());
    ::DeleteFileA(pathBelow(own, kRecordFileName).c_str());
    ::DeleteFileA((pathBelow(own, kRecordFileName) + kTemporarySuffix).c_str());
    removeEmptyFoldersUp(destination, recordFolder(record.title));
    // The folders the destination page made, the destination itself first.
    std::string folder = destination;
    while (!folder.empty() && folder.back() == '\\') folder.pop_back();
    for (int level = 0; level < record.createdDestinationLevels; ++level) {
        if (!::RemoveDirectoryA(folder.c_str())) break;
        const std::size_t slash = folder.rfind('\\');
        if (slash == std::string::npos) break;
        folder.resize(slash);
    }
    return result;
}

}  // namespace tavrix::installer
