// ReadSpan: the volumes of a spanned set joined into one archive, the last
// volume (with the end record) asked for first.
#include "ArchiveBuilder.h"

#include "ByteCursor.h"
#include "MessageIds.h"
#include "SpanRecords.h"
#include "Win32Support.h"
#include "ZipFormat.h"

#include <algorithm>
#include <new>
#include <optional>

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
    if (length == 0) return;
    writeOut(data, length, errorId);
    outByteCount_ += length;
    if (reportBytes_) reportProgress(pgAdvance, {}, static_cast<std::int64_t>(length));
}

void TArchiveBuilder::RWJoinData(std::uint64_t length, int errorId) {
    while (length != 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, kCopyChunk));
        readInExactly(spanBuffer_.data(), chunk, errorId);
        WriteJoin(spanBuffer_.data(), chunk, errorId);
        length -= chunk;
    }
}

void TArchiveBuilder::readSpanBody(std::string& outFileName) {
    if (!outFileName.empty() && (outFileName.back() == '\\' || win32::directoryExists(outFileName))) {
        std::string folder = outFileName;
        if (folder.back() != '\\') folder += '\\';
        char temporary[MAX_PATH];
        if (::GetTempFileNameA(folder.c_str(), "zip", 0, temporary) == 0)
            throw EArchiveBuilder(msg::TempFileFailed, true);
        ::DeleteFileA(temporary);
        outFileName = temporary;
    } else if (win32::fileExists(outFileName)) {
        ::DeleteFileA(outFileName.c_str());
    }
    outFileName = withZipExtension(outFileName);
    outFileName_ = outFileName;
    outFile_ = createOutputFile(outFileName);
    if (!outFile_) throw EArchiveBuilder(msg::OutputCreateFailed, true);
    outVolumeName_ = outFileName;

    // The last volume first: it holds the end record.
    ZipEndOfCentral end{};
    for (;;) {
        const UINT type = CheckForDisk();
        if (CheckIfLastDisk(end, false)) break;
        if (isFixedOrNetwork(type)) {
            const int number = volumeNumberOfFile(inFileName_);
            if (number == 1) throw EArchiveBuilder(msg::FirstDiskOfSet, true);
            throw EArchiveBuilder(msg::NthDiskOfSet, number);
        }
        newDiskNeeded_ = true;
    }
    fileWriteTime(inFileName_, inFileDate_);
    lastDiskNumber_ = end.thisDisk;
    currentDisk_ = end.thisDisk;
    const std::string comment = endSearch_.comment;
    const std::uint64_t total = endSearch_.totalEntries;
    if (end.centralDisk != end.thisDisk) {
        GetNewDisk(end.centralDisk);
        inPosition_ = endSearch_.centralOffset;
    } else {
        if (endSearch_.centralSize > endSearch_.directoryEnd) throw EArchiveBuilder(msg::SeekError, true);
        inPosition_ = endSearch_.directoryEnd - endSearch_.centralSize;
    }
    if (inPosition_ > inFile_->size()) throw EArchiveBuilder(msg::SeekError, true);

    // Each entry needs a central header: the directory's size bounds the count.
    AllocSpanMem(static_cast<std::size_t>(
        std::min<std::uint64_t>(total, endSearch_.centralSize / zip::kCentralHeaderSize)));
    if (spanEntries_.size() != total) throw EArchiveBuilder(msg::CentralHeaderReadError, true);
    std::uint8_t central[zip::kCentralHeaderSize];
    std::uint64_t bytesToCopy = 0;
    for (SpanEntry& entry : spanEntries_) {
        readInExactly(central, sizeof central, msg::CentralHeaderReadError);
        if (le32(central) != zip::kCentralHeaderSignature)
            throw EArchiveBuilder(msg::CentralSignatureWrong, true);
        entry.name.resize(le16(central + kCentralNameLength));
        readInExactly(entry.name.data(), entry.name.size(), msg::CentralNameReadError);
        entry.compressedSize = le32(central + kCentralCompressedSize);
        bytesToCopy += entry.compressedSize + zip::kLocalHeaderSize + entry.name.size();
        const std::uint64_t skip =
            le16(central + kCentralExtraLength) + le16(central + kCentralCommentLength);
        std::vector<std::uint8_t> skipped(static_cast<std::size_t>(skip));
        readInExactly(skipped.data(), skipped.size(), msg::CentralExtraReadError);
    }
    bytesToCopy += endSearch_.centralSize + zip::kEndOfCentralSize + comment.size();

    GetNewDisk(0);
    reportBytes_ = true;
    reportProgress(pgFileCount, {}, static_cast<std::int64_t>(total));
    reportProgress(pgByteCount, {}, static_cast<std::int64_t>(bytesToCopy));
    std::uint8_t marker[4];
    readInExactly(marker, sizeof marker, msg::SpanMarkerWrong);
    if (le32(marker) != zip::kSpanningMarker) throw EArchiveBuilder(msg::SpanMarkerWrong, true);

    const std::string copying = LoadArchiveStr(msg::Copying, missingMessageText(msg::Copying));
    std::uint8_t local[zip::kLocalHeaderSize];
    std::string name;
    for (std::uint64_t i = 0; i < total; ++i) {
        readInExactly(local, sizeof local, msg::LocalHeaderReadError);
        if (le32(local) != zip::kLocalHeaderSignature) throw EArchiveBuilder(msg::LocalSignatureWrong, true);
        const std::uint16_t flags = le16(local + kLocalFlags);
        const std::uint16_t nameLength = le16(local + kLocalNameLength);
        const std::uint16_t extraLength = le16(local + kLocalExtraLength);
        name.resize(nameLength);
        readInExactly(name.data(), nameLength, msg::LocalNameReadError);
        SpanEntry& entry = spanEntries_[FindZipEntry(name)];
        const bool descriptor = (flags & zip::kFlagDataDescriptor) != 0;
        const std::uint32_t dataLength =
            descriptor ? entry.compressedSize : le32(local + kLocalCompressedSize);
        entry.diskNumber = 0;
        entry.headerOffset = static_cast<std::uint32_t>(outByteCount_);
        const std::string shown = withBackslashes(name);
        if (OnMessage) OnMessage(this, 0, copying + shown);
        reportProgress(pgFileStart, shown,
                       static_cast<std::int64_t>(sizeof local + nameLength + extraLength + dataLength));
        WriteJoin(local, sizeof local, msg::LocalHeaderWriteError);
        WriteJoin(name.data(), nameLength, msg::LocalHeaderWriteError);
        RWJoinData(extraLength, msg::LocalExtraReadError);
        RWJoinData(dataLength, msg::ZippedDataReadError);
        if (descriptor) RWJoinData(kDescriptorSize, msg::DataDescriptorError);
    }

    const std::uint64_t directoryOffset = outByteCount_;
    for (std::uint64_t i = 0; i < total; ++i) {
        readInExactly(central, sizeof central, msg::CentralHeaderReadError);
        if (le32(central) != zip::kCentralHeaderSignature)
            throw EArchiveBuilder(msg::CentralSignatureWrong, true);
        const std::uint16_t nameLength = le16(central + kCentralNameLength);
        name.resize(nameLength);
        readInExactly(name.data(), nameLength, msg::CentralNameReadError);
        const SpanEntry& entry = spanEntries_[FindZipEntry(name)];
        storeLe16(central + kCentralDiskStart, 0);
        storeLe32(central + kCentralLocalOffset, entry.headerOffset);
        WriteJoin(central, sizeof central, msg::CentralHeaderWriteError);
        WriteJoin(name.data(), nameLength, msg::CentralHeaderWriteError);
        RWJoinData(le16(central + kCentralExtraLength), msg::CentralExtraReadError);
        RWJoinData(le16(central + kCentralCommentLength), msg::FileCommentReadError);
    }

    // One volume now: every entry is on it.
    std::uint8_t record[zip::kEndOfCentralSize];
    storeLe32(record, zip::kEndOfCentralSignature);
    storeLe16(record + 4, 0);
    storeLe16(record + 6, 0);
    storeLe16(record + 8, end.totalEntries);
    storeLe16(record + 10, end.totalEntries);
    storeLe32(record + 12, static_cast<std::uint32_t>(outByteCount_ - directoryOffset));
    storeLe32(record + 16, static_cast<std::uint32_t>(directoryOffset));
    storeLe16(record + 20, static_cast<std::uint16_t>(comment.size()));
    WriteJoin(record, sizeof record, msg::EndRecordWriteError);
    WriteJoin(comment.data(), comment.size(), msg::ArchiveCommentReadError);
    flushOut(msg::EndRecordWriteError);
    reportBytes_ = false;
    reportProgress(pgBatchEnd, {}, 0);
}

int TArchiveBuilder::ReadSpan(const std::string& inFileName, std::string& outFileName) {
    unpack_.setBusy(true);
    joining_ = true;
    inFileName_ = inFileName;
    driveRoot_ = driveOf(fullPathOf(inFileName)) + "\\";
    currentDisk_ = -1;
    newDiskNeeded_ = false;
    reportBytes_ = false;
    inFile_.reset();
    outFile_.reset();
    outByteCount_ = 0;
    inAheadLength_ = 0;
    outPending_.clear();
    int result = 0;
    std::optional<EArchiveBuilder> failure;
    {
        WaitCursor hourglass;
        try {
            spanBuffer_.assign(kCopyChunk, 0);
            readSpanBody(outFileName);
        } catch (const EArchiveBuilder& error) {
            failure = error;
            result = -7;
        } catch (const std::bad_alloc&) {
            result = -8;
        } catch (...) {
            result = -9;
        }
        reportBytes_ = false;
        inFile_.reset();
        DeleteSpanMem();
        std::vector<std::uint8_t>().swap(spanBuffer_);
        outPending_.clear();
        if (outFile_) setFileWriteTime(outFile_.get(), inFileDate_);
        outFile_.reset();
        // A failed join leaves nothing behind.
        if (result != 0) {
            if (!outVolumeName_.empty()) ::DeleteFileA(outVolumeName_.c_str());
            outFileName.clear();
        }
        outVolumeName_.clear();
    }
    joining_ = false;
    unpack_.setBusy(false);
    if (result == 0) return 0;
    try {
        if (failure)
            ShowExceptionError(*failure);
        else
            ShowArchiveMessage(result == -8 ? msg::OutOfMemory : msg::SpanUnknownError);
        reportProgress(pgBatchEnd, {}, 0);
    } catch (...) {
    }
    return result;
}

}  // namespace tavrix::archive
