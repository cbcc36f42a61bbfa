// UNPACK32.DLL: reads an UnpackExecRecord (either layout) and extracts.
#include <windows.h>

#include <cstring>
#include <utility>

#include "contract/EngineRecords.h"
#include "engines/core/Extractor.h"
#include "engines/core/StagingPool.h"
#include "engines/dll/CallbackSink.h"
#include "engines/dll/ExecRecordLayout.h"
#include "engines/dll/ExecShell.h"
#include "engines/dll/RecordText.h"

namespace {

using namespace tavrix;
using contract::UnpackExecCommon;
using contract::UnpackExecRecordNew;
using contract::UnpackExecRecordOld;
using contract::UnpackFileSpec;

constexpr int kUnpackVersion = 160;

int unpack(const std::uint8_t* raw) {
    UnpackExecCommon common;
    std::memcpy(&common, raw, sizeof common);
    engines::CallbackSink sink(common.ownerWindow, common.caller, common.callback,
                               common.verbose != 0 || common.trace != 0);
    zip::ExtractOptions options;
    options.stagedFiles = &zip::StagingPool::make;
    auto read = engines::readFilePatterns<UnpackExecRecordOld, UnpackExecRecordNew, UnpackFileSpec>(
        raw, common.specCount, sink);
    if (!read) return 0;
    options.specs = std::move(read->patterns);
    const std::string archivePath = engines::utf8At(common.archivePath);
    if (archivePath.empty()) {
        sink.message(zip::MessageId::kBadRecord, "no archive");
        return 0;
    }
    options.password = engines::bytesAt(common.password);
    options.codePage =
        common.codePage <= 2 ? static_cast<zip::NameCodePage>(common.codePage) : zip::NameCodePage::kAuto;
    options.test = common.test != 0;
    options.update = common.update != 0;
    options.freshen = common.freshen != 0 && !options.update;
    options.directories = common.directories != 0;
    options.overwrite = common.overwrite != 0;
    options.verbose = common.verbose != 0 || common.trace != 0;
    return engines::processedOnPlatform(
        [&](zip::FileSystem& fs) { return zip::extractArchive(fs, archivePath, options, sink); });
}

}  // namespace

extern "C" int __stdcall UnpackExec(void* record) {
    return engines::execRecord(record, unpack);
}

extern "C" int __stdcall GetUnpackVersion() {
    return kUnpackVersion;
}
