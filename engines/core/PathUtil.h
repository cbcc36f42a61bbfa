// Small path helpers shared by extraction and packing ('/' separators).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engines/core/FileSystem.h"

namespace tavrix::zip {

std::string joinPath(std::string_view dir, std::string_view name);
// The folder part of a path ("" for a bare name).
std::string parentOf(std::string_view path);
std::string_view baseNameOf(std::string_view path);

// A new file with a unique name in `dir`, for content that is renamed into
// place only once it is complete.
struct StagedFile {
    std::unique_ptr<OutputFile> file;
    std::string path;
};
StagedFile createStagedFile(FileSystem& fs, std::string_view dir);
// Closes the file and removes it.
void discardStagedFile(FileSystem& fs, StagedFile& staged);

// Where an operation takes its staged files from, one at a time: what it
// holds and nobody took goes when it does.
class StagedFiles {
public:
    virtual ~StagedFiles() = default;
    // A new staged file in `folder`, as createStagedFile makes one.
    virtual StagedFile take(const std::string& folder) = 0;
};
// Makes the source of at most `budget` staged files for an operation that
// may use `threads` threads.
using StagedFilesMaker = std::unique_ptr<StagedFiles> (*)(FileSystem& fs, unsigned threads,
                                                          std::uint64_t budget);

// A new, empty folder with a unique name in `dir`; empty on failure.
std::string createStagingFolder(FileSystem& fs, std::string_view dir);

}  // namespace tavrix::zip
