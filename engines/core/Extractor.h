// Extraction of an archive into a folder: selection by file pattern,
// overwrite rules, safe names, and files that appear only when complete and
// checked.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engines/core/FileSystem.h"
#include "engines/core/NameCodec.h"
#include "engines/core/PathUtil.h"
#include "engines/core/Progress.h"

namespace tavrix::zip {

// What to do with a file that exists already when overwriting is off.
enum class ExistingFile { kKeep, kReplace, kStop };

struct ExtractOptions {
    std::string baseDir;             // empty: the current directory
    std::vector<std::string> specs;  // UTF-8; empty: every entry
    std::string password;            // bytes as typed
    NameCodePage codePage = NameCodePage::kAuto;
    bool directories = true;  // recreate folder names, else put every file in baseDir
    bool overwrite = false;
    bool freshen = false;  // only files that exist and are older than the entry
    bool update = false;   // new files, and existing ones older than the entry
    bool test = false;     // check every entry, write nothing
    bool verbose = false;  // also report skipped entries
    // Threads that inflate: 0 as many as there are processors (two at
    // most), 1 only the calling thread, with the same results and reports.
    unsigned threads = 0;
    // Optional: only the entries whose (decoded) name it accepts; unlike
    // `specs`, no wildcards and no match in other folders.
    std::function<bool(std::string_view name)> accept;
    // Optional: asked for each existing file that overwriting would not
    // replace, once its new content is complete and checked.
    std::function<ExistingFile(std::string_view name)> onExisting;
    // Optional: makes the staged files the extraction writes into, such as
    // StagingPool::make (files made ahead on a second thread). Without it
    // each is created when its turn comes, and nothing of the pool is
    // linked into a program that must stay small.
    StagedFilesMaker stagedFiles = nullptr;
};

struct OperationResult {
    std::uint32_t processed = 0;  // files extracted (or tested good)
    bool cancelled = false;
};

OperationResult extractArchive(FileSystem& fs, const std::string& archivePath, const ExtractOptions& options,
                               ProgressSink& sink);

class ZipArchive;
// The same with an archive the caller has opened (and may have listed).
OperationResult extractOpenArchive(FileSystem& fs, ZipArchive& archive, const ExtractOptions& options,
                                   ProgressSink& sink);

}  // namespace tavrix::zip
