// Adding files to an archive and deleting entries from it. The archive is
// always rebuilt in a new file that replaces the old one only when it is
// complete: a failed or cancelled run leaves the old archive as it was.
#pragma once

#include <string>
#include <vector>

#include "engines/core/Extractor.h"
#include "engines/core/FileSystem.h"
#include "engines/core/Progress.h"

namespace tavrix::zip {

struct PackOptions {
    std::vector<std::string> specs;  // UTF-8 paths, wildcards in the last part
    std::string password;            // used when encrypt is set
    std::string tempDir;             // empty: beside the archive
    int level = 9;                   // 0 stores
    bool encrypt = false;
    bool hiddenFiles = false;
    bool separateDirs = false;  // folder entries of their own
    bool junkDirNames = false;  // store bare file names
    bool recurse = false;
    bool forceDos = false;  // 8.3 upper-case names, DOS attributes
    bool move = false;      // delete the files once the archive holds them
    bool freshen = false;   // only entries already in the archive, when the file is newer
    bool update = false;    // new files, and entries whose file is newer
    bool zipTime = false;   // archive time = newest entry
    bool deleteEntries = false;
    bool verbose = false;
    // Threads that compress: 0 one per processor (two at most); 1 only the
    // calling thread. The archive is the same either way.
    unsigned threads = 0;
};

OperationResult packArchive(FileSystem& fs, const std::string& archivePath, const PackOptions& options,
                            ProgressSink& sink);

}  // namespace tavrix::zip
