// UNPACK32.DLL: reads an UnpackExecRecord (either layout) and extracts.
#include <windows.h>

#include <cstring>

#include "CallbackSink.h"
#include "EngineRecords.h"
#include "Extractor.h"
#include "RecordText.h"

namespace {

using namespace tavrix;
using contract::kOldLayoutMaxSpecs;
using contract::kRecordMarker;
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
    std::uint32_t marker = 0;
    std::memcpy(&marker, raw + offsetof(UnpackExecRecordOld, marker), sizeof marker);
    if (marker == kRecordMarker) {
        if (common.specCount > kOldLayoutMaxSpecs) {
            sink.message(zip::MessageId::kBadRecord, "too many file specifications");
            return 0;
        }
        const auto* old = reinterpret_cast<const UnpackExecRecordOld*>(raw);
        options.specs = engines::specsFromAddresses(old->specs, common.specCount);
    } else {
        std::memcpy(&marker, raw + offsetof(UnpackExecRecordNew, marker), sizeof marker);
        if (marker != kRecordMarker) {
            sink.message(zip::MessageId::kBadRecord, "unknown layout");
            return 0;
        }
        const auto* fresh = reinterpret_cast<const UnpackExecRecordNew*>(raw);
        options.specs = engines::specsFromEntries<UnpackFileSpec>(fresh->specs, common.specCount);
    }
    const std::string archivePath = engines::utf8At(common.archivePath);
    if (archivePath.empty()) {
        sink.message(zip::MessageId::kBadRecord, "no archive");
        return 0;
    }
    options.password = engines::bytesAt(common.password);
    options.codePage = common.codePage <= 2 ? static_cast<zip::NameCodePage>(common.codePage)
                                            : zip::NameCodePage::kAuto;
    options.test = common.test != 0;
    options.update = common.update != 0;
    options.freshen = common.freshen != 0 && !options.update;
    options.directories = common.directories != 0;
    options.overwrite = common.overwrite != 0;
    options.verbose = common.verbose != 0 || common.trace != 0;
    auto fs = zip::makePlatformFileSystem();
    try {
        return static_cast<int>(zip::extractArchive(*fs, archivePath, options, sink).processed);
    } catch (...) {  // nothing may cross the library boundary
        sink.message(zip::MessageId::kInternal, archivePath);
        return 0;
    }
}

}  // namespace

extern "C" int __stdcall UnpackExec(void* record) {
    if (!record) return 0;
    try {
        return unpack(static_cast<const std::uint8_t*>(record));
    } catch (...) {
        return 0;
    }
}

extern "C" int __stdcall GetUnpackVersion() { return kUnpackVersion; }
