// ReadSpan: the volumes of a spanned set joined into one archive, the last
// volume (with the end record) asked for first.
#include "archive/SpanJoinOperation.h"

#include "archive/ArchiveBuilder.h"
#include "archive/FileNames.h"
#include "archive/MessageIds.h"
#include "archive/SpanRecords.h"
#include "archive/Win32Support.h"
#include "common/win32/DiskSpace.h"

#include <algorithm>

namespace tavrix::archive {
namespace {

using namespace span;

// The operation's side of the portable joining code.
class JoinStreams final : public JoinIo {
public:
    explicit JoinStreams(SpanJoinOperation& operation) : op_(operation) {}

    bool read(void* out, std::size_t count, int errorId) override {
        return op_.readInExactly(out, count, errorId);
    }
    void fail(int errorId) override { op_.fail(EArchiveBuilder(errorId, true)); }
    bool failed() const override { return op_.failed(); }
    bool openVolume(int disk) override {
        op_.openVolume(disk);
        return !op_.failed();
    }
    std::uint64_t volumeSize() const override { return op_.volumes.inFile ? op_.volumes.inFile->size() : 0; }
    void seek(std::uint64_t offset) override { op_.inPosition = offset; }
    bool write(const void* data, std::size_t count, int errorId) override {
        op_.writeJoin(data, count, errorId);
        return !op_.failed();
    }
    bool copy(std::uint64_t length, int errorId) override {
        op_.copyJoin(length, errorId);
        return !op_.failed();
    }
    std::uint64_t written() const override { return op_.outByteCount; }
    void copyStarts(std::uint64_t entries, std::uint64_t bytes) override {
        if (!op_.roomForJoin(bytes)) return;
        op_.reportBytes = true;
        op_.reportProgress(pgFileCount, {}, static_cast<std::int64_t>(entries));
        op_.reportProgress(pgByteCount, {}, static_cast<std::int64_t>(bytes));
    }
    void entryStarts(const std::string& shownName, std::uint64_t bytes) override {
        op_.entryStarts(shownName, bytes);
    }

private:
    SpanJoinOperation& op_;
};

}  // namespace

void SpanJoinOperation::writeJoin(const void* data, std::size_t length, int errorId) {
    if (!keepResponsive() || length == 0) return;
    if (!writeOut(data, length, errorId)) return;
    outByteCount += length;
    if (reportBytes) reportProgress(pgAdvance, {}, static_cast<std::int64_t>(length));
}

void SpanJoinOperation::copyJoin(std::uint64_t length, int errorId) {
    while (length != 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, kSpanCopyChunk));
        if (!readInExactly(buffer.get(), chunk, errorId)) return;
        // `errorId` names what was being read; the joined archive failing to
        // take it (a full temporary folder) is a write error.
        writeJoin(buffer.get(), chunk, msg::WriteError);
        if (failed()) return;
        length -= chunk;
    }
}

bool SpanJoinOperation::roomForJoin(std::uint64_t bytes) {
    const std::size_t slash = outName.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? std::string(".") : outName.substr(0, slash + 1);
    const std::int64_t free = win32::diskSpaceOf(folder).freeBytes;
    if (free < 0 || static_cast<std::uint64_t>(free) >= bytes) return true;
    return fail(EArchiveBuilder(msg::NotEnoughFreeSpace, true));
}

void SpanJoinOperation::join(std::string& outFileName) {
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
    outFileName = withExtension(outFileName, ".zip");
    outName = outFileName;
    outFile = createOutputFile(outFileName);
    if (!outFile) {
        fail(EArchiveBuilder(msg::OutputCreateFailed, true));
        return;
    }
    outVolumeName = outFileName;

    // The last volume first: it holds the end record.
    ZipEndOfCentral end{};
    for (;;) {
        const UINT type = volumes.checkForDisk();
        if (failed()) return;
        if (volumes.checkIfLastDisk(end, false)) break;
        if (volumes.numberedVolumes(type)) {
            const int number = volumeNumberOfFile(volumes.inFileName);
            fail(number == 1 ? EArchiveBuilder(msg::FirstDiskOfSet, true)
                             : EArchiveBuilder(msg::NthDiskOfSet, number));
            return;
        }
        volumes.newDiskNeeded = true;
    }
    fileWriteTime(volumes.inFileName, inFileDate);
    volumes.lastDisk = end.thisDisk;
    volumes.currentDisk = end.thisDisk;
    JoinStreams io(*this);
    joinSpannedSet(io, volumes.endSearch, entries);
    if (!flushOut(msg::EndRecordWriteError)) return;
    reportBytes = false;
    reportProgress(pgBatchEnd, {}, 0);
}

void SpanJoinOperation::run(const std::string& inFileName, std::string& outFileName) {
    volumes.inFileName = inFileName;
    volumes.useDriveOf(inFileName);
    volumes.currentDisk = -1;
    volumes.newDiskNeeded = false;
    join(outFileName);
    volumes.inFile.reset();
    if (outFile) setFileWriteTime(outFile.get(), inFileDate);
    outFile.reset();
    // A failed join leaves nothing behind.
    if (failed() || handlerFailed()) {
        if (!outVolumeName.empty()) ::DeleteFileA(outVolumeName.c_str());
        outFileName.clear();
    }
}

// The component's members for it.

int TArchiveBuilder::ReadSpan(const std::string& inFileName, std::string& outFileName) {
    unpack_.setBusy(true);
    handlerFailed_ = false;
    OperationResult result;
    {
        SpanJoinOperation call(*this);
        call.volumes.label = volumeLabel_;
        call.volumes.lastDisk = lastDiskNumber_;
        {
            WaitCursor hourglass;
            call.run(inFileName, outFileName);
        }
        lastDiskNumber_ = call.volumes.lastDisk;
        result = call.result();
        // The failure's end of the batch still belongs to the join (Joining()
        // says so): a progress display must not take it for the end of the
        // extraction that never ran.
        if (!result.succeeded()) reportSpanFailure(result, false);
    }
    unpack_.setBusy(false);
    return result.spanCode();
}

void TArchiveBuilder::WriteJoin(const void* data, std::size_t length, int errorId) {
    SpanOperation* span = runningSpan();
    if (span != nullptr && span->joining())
        static_cast<SpanJoinOperation*>(span)->writeJoin(data, length, errorId);
}

void TArchiveBuilder::RWJoinData(std::uint64_t length, int errorId) {
    SpanOperation* span = runningSpan();
    if (span != nullptr && span->joining()) static_cast<SpanJoinOperation*>(span)->copyJoin(length, errorId);
}

}  // namespace tavrix::archive
