// ReadSpan: the volumes of a spanned set joined into one archive, the last
// volume (with the end record) asked for first.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/SpanIo.h"
#include "archive/SpanRecords.h"
#include "archive/Win32Support.h"
#include "common/win32/DiskSpace.h"

#include <algorithm>

namespace tavrix::archive {
namespace {

using namespace span;

std::string withZipExtension(const std::string& name) {
    const std::size_t slash = name.find_last_of("\\/:");
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return name + ".zip";
    return name.substr(0, dot) + ".zip";
}

}  // namespace

void TArchiveBuilder::WriteJoin(const void* data, std::size_t length, int errorId) {
    if (!span_ || !keepResponsive() || length == 0) return;
    if (!writeOut(data, length, errorId)) return;
    span_->outByteCount += length;
    if (span_->reportBytes) reportProgress(pgAdvance, {}, static_cast<std::int64_t>(length));
}

void TArchiveBuilder::RWJoinData(std::uint64_t length, int errorId) {
    while (span_ && length != 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, kSpanCopyChunk));
        if (!readInExactly(span_->buffer.data(), chunk, errorId)) return;
        // `errorId` names what was being read; the joined archive failing to
        // take it (a full temporary folder) is a write error.
        WriteJoin(span_->buffer.data(), chunk, msg::WriteError);
        if (failed()) return;
        length -= chunk;
    }
}

bool TArchiveBuilder::roomForJoin(std::uint64_t bytes) {
    const std::size_t slash = outFileName_.find_last_of('\\');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : outFileName_.substr(0, slash + 1);
    const std::int64_t free = win32::diskSpaceOf(folder).freeBytes;
    if (free < 0 || static_cast<std::uint64_t>(free) >= bytes) return true;
    return fail(EArchiveBuilder(msg::NotEnoughFreeSpace, true));
}

void TArchiveBuilder::readSpanBody(std::string& outFileName) {
    if (!outFileName.empty() && (outFileName.back() == '\\' || win32::directoryExists(outFileName))) {
        std::string folder = outFileName;
        if (folder.back() != '\\') folder += '\\';
        char temporary[MAX_PATH];
        if (::GetTempFileNameA(folder.c_str(), "zip", 0, temporary) == 0) {
            fail(EArchiveBuilder(msg::TempFileFailed, true));
            return;
        }
        ::DeleteFileA(temporary);
        outFileName = temporary;
    } else if (win32::fileExists(outFileName)) {
        ::DeleteFileA(outFileName.c_str());
    }
    outFileName = withZipExtension(outFileName);
    outFileName_ = outFileName;
    span_->outFile = createOutputFile(outFileName);
    if (!span_->outFile) {
        fail(EArchiveBuilder(msg::OutputCreateFailed, true));
        return;
    }
    span_->outVolumeName = outFileName;

    // The last volume first: it holds the end record.
    ZipEndOfCentral end{};
    for (;;) {
        const UINT type = CheckForDisk();
        if (failed()) return;
        if (CheckIfLastDisk(end, false)) break;
        if (numberedVolumes(type)) {
            const int number = volumeNumberOfFile(inFileName_);
            fail(number == 1 ? EArchiveBuilder(msg::FirstDiskOfSet, true)
                             : EArchiveBuilder(msg::NthDiskOfSet, number));
            return;
        }
        newDiskNeeded_ = true;
    }
    fileWriteTime(inFileName_, span_->inFileDate);
    lastDiskNumber_ = end.thisDisk;
    currentDisk_ = end.thisDisk;
    SpanIo io(*this);
    joinSpannedSet(io, endSearch_, spanEntries_);
    if (!flushOut(msg::EndRecordWriteError)) return;
    span_->reportBytes = false;
    reportProgress(pgBatchEnd, {}, 0);
}

int TArchiveBuilder::ReadSpan(const std::string& inFileName, std::string& outFileName) {
    unpack_.setBusy(true);
    joining_ = true;
    inFileName_ = inFileName;
    useDriveOf(inFileName);
    currentDisk_ = -1;
    newDiskNeeded_ = false;
    inFile_.reset();
    span_ = std::make_unique<SpanCall>();
    span_->buffer.resize(kSpanCopyChunk);
    failure_.reset();
    handlerFailed_ = false;
    int result = 0;
    {
        WaitCursor hourglass;
        readSpanBody(outFileName);
        result = spanResult();
        inFile_.reset();
        DeleteSpanMem();
        if (span_->outFile) setFileWriteTime(span_->outFile.get(), span_->inFileDate);
        span_->outFile.reset();
        // A failed join leaves nothing behind.
        if (result != 0) {
            if (!span_->outVolumeName.empty()) ::DeleteFileA(span_->outVolumeName.c_str());
            outFileName.clear();
        }
        span_.reset();
    }
    // The failure's end of the batch still belongs to the join: a progress
    // display must not take it for the end of the extraction that never ran.
    if (result != 0) reportSpanFailure(result, false);
    joining_ = false;
    unpack_.setBusy(false);
    return result;
}

}  // namespace tavrix::archive
