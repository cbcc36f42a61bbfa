// One extraction of the stub's own archive into a folder, for the dialog and
// the silent mode alike: the archive is read and checked whole before the
// first file is written, so a damaged or truncated archive leaves nothing
// behind; then every file is written through the engines' core (safe names,
// complete files only, existing files by the overwrite mode).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engines/core/Extractor.h"
#include "engines/core/ZipArchive.h"
#include "sfx/Payload.h"

namespace tavrix::sfx {

// The stub's file, opened and its archive listed. Names are UTF-8.
class StubArchive {
public:
    // Empty, with `error` set to what to tell the user, when the program
    // carries no readable archive.
    static std::unique_ptr<StubArchive> open(const std::string& exePathUtf8, std::string& error);

    const Payload& payload() const { return payload_; }
    const SfxSettings& settings() const { return settings_; }
    // Files (not folders) in directory order, decoded.
    const std::vector<std::string>& fileNames() const { return fileNames_; }
    zip::ZipArchive& archive() { return *archive_; }
    zip::FileSystem& fileSystem() { return *fs_; }

private:
    std::unique_ptr<zip::FileSystem> fs_;
    std::unique_ptr<zip::ZipArchive> archive_;
    Payload payload_;
    SfxSettings settings_;
    std::vector<std::string> fileNames_;
};

// Told about the extraction's progress; each call answers whether to stop.
class ExtractionObserver {
public:
    virtual ~ExtractionObserver() = default;
    virtual bool phase(bool checking, std::uint64_t totalBytes) = 0;
    virtual bool fileStart(std::string_view name) = 0;
    virtual bool advance(std::uint64_t bytes) = 0;
};

struct ExtractionRequest {
    std::string folderUtf8;
    OverwriteMode mode = OverwriteMode::kConfirm;
    bool checkFreeSpace = true;
    std::function<bool(std::string_view name)> accept;                // null: every file
    std::function<zip::ExistingFile(std::string_view name)> confirm;  // OverwriteMode::kConfirm
};

struct ExtractionOutcome {
    bool ok = false;
    bool cancelled = false;
    std::uint32_t extracted = 0;
    std::string error;  // why it failed, for the user
};

// `freeBytes` answers the free space of a folder (empty: unknown).
using FreeSpaceQuery = std::function<std::optional<std::uint64_t>(const std::string& folderUtf8)>;

ExtractionOutcome runExtraction(StubArchive& stub, const ExtractionRequest& request,
                                ExtractionObserver& observer, const FreeSpaceQuery& freeBytes);

// Makes the folder and every missing parent ('/' or '\' separated).
bool makeFolderTree(zip::FileSystem& fs, const std::string& folderUtf8);

}  // namespace tavrix::sfx
