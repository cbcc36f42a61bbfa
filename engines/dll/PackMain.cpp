// PACK32.DLL: reads a PackExecRecord (either layout) and adds or deletes.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "contract/EngineRecords.h"
#include "engines/core/Packer.h"
#include "engines/dll/CallbackSink.h"
#include "engines/dll/ExecRecordLayout.h"
#include "engines/dll/ExecShell.h"
#include "engines/dll/RecordText.h"

namespace {

using namespace tavrix;
using contract::PackExecCommon;
using contract::PackExecRecordNew;
using contract::PackExecRecordOld;
using contract::PackFileSpec;

constexpr int kPackVersion = 160;

// The core finds a path's folder by '/'. A folder named with '\' would be
// lost, and the new archive would be made in the current folder instead of
// beside the old one (and could not be moved into place from another drive).
std::string corePath(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

int pack(const std::uint8_t* raw) {
    PackExecCommon common;
    std::memcpy(&common, raw, sizeof common);
    engines::CallbackSink sink(common.ownerWindow, common.caller, common.callback,
                               common.verbose != 0 || common.trace != 0);
    zip::PackOptions options;
    auto read = engines::readFilePatterns<PackExecRecordOld, PackExecRecordNew, PackFileSpec>(
        raw, common.specCount, sink);
    if (!read) return 0;
    options.specs = std::move(read->patterns);
    if (read->newer) options.tempDir = corePath(engines::utf8At(read->newer->tempDir));
    const std::string archivePath = corePath(engines::utf8At(common.archivePath));
    if (archivePath.empty()) {
        sink.message(zip::MessageId::kBadRecord, "no archive");
        return 0;
    }
    options.password = engines::bytesAt(common.password);
    options.encrypt = common.encrypt != 0 && !options.password.empty();
    options.hiddenFiles = common.hiddenFiles != 0;
    options.separateDirs = common.noDirEntries == 0;
    options.verbose = common.verbose != 0 || common.trace != 0;
    options.level = static_cast<int>(common.level);
    options.junkDirNames = common.junkDirNames != 0;
    options.recurse = common.recurse != 0;
    options.forceDos = common.forceDos != 0;
    options.move = common.move != 0;
    options.deleteEntries = common.deleteEntries != 0;
    options.update = common.update != 0;
    options.freshen = common.freshen != 0 && !options.update;
    options.zipTime = common.zipTime != 0;
    if (common.encrypt != 0 && options.password.empty()) {
        sink.message(zip::MessageId::kPasswordMissing, archivePath);
        return 0;
    }
    return engines::processedOnPlatform(
        [&](zip::FileSystem& fs) { return zip::packArchive(fs, archivePath, options, sink); });
}

}  // namespace

extern "C" int __stdcall PackExec(void* record) {
    return engines::execRecord(record, pack);
}

extern "C" int __stdcall GetPackVersion() {
    return kPackVersion;
}
