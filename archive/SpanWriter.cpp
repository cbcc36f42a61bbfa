// WriteSpan: one archive cut into the volumes of a spanned set, on numbered
// files of a fixed drive or on disks asked for one after another.
#include "archive/ArchiveBuilder.h"

#include "archive/HeaderWindow.h"
#include "archive/MessageIds.h"
#include "archive/SpanIo.h"
#include "archive/SpanRecords.h"
#include "archive/Win32Support.h"
#include "common/ByteCursor.h"
#include "common/ZipFormat.h"
#include "common/win32/MessageBoxSeam.h"

#include <algorithm>
#include <optional>
#include <string>

namespace tavrix::archive {
namespace {

using namespace span;

constexpr int kStoreFree = 1;

// The largest local header with its name and extra field: each must lie
// whole on one volume. The walk stops quietly where the archive is damaged;
// the copy that follows reports it.
std::uint64_t largestLocalHeader(ByteSource& file, SpanInput& input, SpanEntryIndex& index,
                                 std::uint64_t total) {
    HeaderWindow window(file);
    std::uint64_t at = 0;
    std::uint64_t largest = 0;
    std::uint8_t header[zip::kLocalHeaderSize];
    std::string name;
    for (std::uint64_t i = 0; i < total; ++i) {
        if (!window.read(at, header, sizeof header)) break;
        const std::optional<zip::LocalHeader> fields = zip::parseLocalHeader(header);
        if (!fields) break;
        name.resize(fields->nameLength);
        if (!window.read(at + sizeof header, name.data(), name.size())) break;
        const SpanEntry* entry = index.take(input, name, SpanEntryIndex::Pass::Local);
        if (!entry) break;
        const bool descriptor = (fields->flags & zip::kFlagDataDescriptor) != 0;
        const std::uint64_t piece = sizeof header + fields->nameLength + fields->extraLength;
        largest = std::max(largest, piece);
        at +=
            piece + (descriptor ? entry->compressedSize + zip::kDataDescriptorSize : fields->compressedSize);
    }
    index.restart(SpanEntryIndex::Pass::Local);
    return largest;
}

}  // namespace

void TArchiveBuilder::closeOutVolume(bool complete) {
    if (!span_->outFile) return;
    // A volume that did not take all it was given is no complete one.
    if (complete && !flushOut(msg::WriteError)) complete = false;
    span_->outPending.clear();
    setFileWriteTime(span_->outFile.get(), span_->inFileDate);
    span_->outFile.reset();
    if (complete)
        completeVolumes_.push_back(span_->outVolumeName);
    else
        ::DeleteFileA(span_->outVolumeName.c_str());
}

bool TArchiveBuilder::openNextVolume() {
    for (;;) {
        const UINT type = CheckForDisk();
        if (failed()) return false;
        const bool removable = !isFixedOrNetwork(type);
        std::string name = removable ? outFileName_ : volumeFileName(outFileName_, currentDisk_ + 1);
        if (removable && addOptions_.has(AddDiskSpanErase)) {
            formatDrive_ = std::toupper(static_cast<unsigned char>(driveRoot_[0])) - 'A';
            volumeLabel_ = spanVolumeLabel(currentDisk_ + 1);
            const int formatted = FormatDisk();
            if (formatted == -2) return fail(EArchiveBuilder(msg::UserCanceled, false));
            if (formatted == -1) return fail(EArchiveBuilder(msg::UserCanceled, true));
        }
        if (win32::fileExists(name)) {
            if (unattended_) return fail(EArchiveBuilder(msg::UnattendedSpanning, true));
            // A disk of this very set written earlier (same date, a lower
            // number) deserves a sharper question. Fixed drives carry no
            // volume numbers in their labels.
            FILETIME existing{};
            const int labelled = volumeNumberFromLabel(volumeLabel_);
            std::string question;
            if (removable && fileWriteTime(name, existing) &&
                ::CompareFileTime(&existing, &span_->inFileDate) == 0 && labelled - 1 < currentDisk_)
                question = EArchiveBuilder(msg::OverwritePreviousDisk, labelled).what();
            else
                question = EArchiveBuilder(msg::OverwriteFile, name).what();
            const int answer = win32::showMessageBox(ownerWindow_, question, "Confirm",
                                                     MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2);
            if (answer == IDNO) {
                span_->outByteCount = 0;
                newDiskNeeded_ = true;
                continue;
            }
            if (answer != IDYES) return fail(EArchiveBuilder(msg::UserCanceled, false));
        }
        span_->outFile = createOutputFile(name);
        if (!span_->outFile) return fail(EArchiveBuilder(msg::OutputCreateFailed, true));
        span_->outVolumeName = name;
        // The label first: on a disk it may take room of its own.
        if (removable && !::SetVolumeLabelA(driveRoot_.c_str(), spanVolumeLabel(currentDisk_ + 1).c_str())) {
            closeOutVolume(false);
            return fail(EArchiveBuilder(msg::VolumeLabelFailed, true));
        }
        DiskFreeAndSize(kStoreFree);
        std::int64_t room = diskFree_;
        if (maxVolumeSize_ > 0 && (room < 0 || maxVolumeSize_ < room)) room = maxVolumeSize_;
        if (currentDisk_ == 0) room -= keepFreeOnDisk1_;
        // A disk with less room than the largest piece that must stay whole
        // could not take it: asked about like a full one.
        if (room < minFreeVolumeSize_ || room < static_cast<std::int64_t>(span_->smallestVolume)) {
            closeOutVolume(false);
            if (unattended_) return fail(EArchiveBuilder(msg::UnattendedSpanning, true));
            const int answer = win32::showMessageBox(
                ownerWindow_,
                LoadArchiveStr(msg::NotEnoughFreeSpace, missingMessageText(msg::NotEnoughFreeSpace)),
                applicationTitle(ownerWindow_), MB_RETRYCANCEL | MB_ICONERROR);
            if (answer == IDRETRY) {
                newDiskNeeded_ = true;
                continue;
            }
            return fail(answer == IDCANCEL ? EArchiveBuilder(msg::UserCanceled, false)
                                           : EArchiveBuilder(msg::MsgBoxFailed, true));
        }
        span_->freeOnDisk = room;
        span_->outByteCount = 0;
        return true;
    }
}

void TArchiveBuilder::WriteSplit(const void* data, std::size_t length, std::uint64_t need) {
    if (!span_ || !keepResponsive()) return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (;;) {
        // Checked for each volume's piece: one chunk may cross several.
        if (cancel_) {
            fail(EArchiveBuilder(msg::UserCanceled, false));
            return;
        }
        if (!span_->outFile && !openNextVolume()) return;
        // What must stay together goes to the next volume. Volumes were
        // checked to take the largest piece: one that still does not fit an
        // empty volume would break the set.
        if (need != 0 && static_cast<std::uint64_t>(span_->freeOnDisk) < need) {
            if (span_->outByteCount == 0) {
                fail(EArchiveBuilder(msg::VolumesTooSmall,
                                     std::to_string(std::max(need, span_->smallestVolume))));
                return;
            }
            closeOutVolume(true);
            if (failed()) return;
            span_->outByteCount = 0;
            ++currentDisk_;
            newDiskNeeded_ = true;
            continue;
        }
        need = 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, span_->freeOnDisk));
        if (n != 0) {
            if (!writeOut(bytes, n, msg::WriteError)) return;
            if (span_->reportBytes) reportProgress(pgAdvance, {}, static_cast<std::int64_t>(n));
            span_->outByteCount += n;
            span_->freeOnDisk -= static_cast<std::int64_t>(n);
            bytes += n;
            length -= n;
        }
        if (length == 0) return;
        closeOutVolume(true);
        if (failed()) return;
        span_->outByteCount = 0;
        span_->freeOnDisk = 0;
        ++currentDisk_;
        newDiskNeeded_ = true;
    }
}

void TArchiveBuilder::RWSplitData(std::uint64_t length, int errorId) {
    while (span_ && length != 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, kSpanCopyChunk));
        if (!readInExactly(span_->buffer.data(), chunk, errorId)) return;
        WriteSplit(span_->buffer.data(), chunk, 0);
        if (failed()) return;
        length -= chunk;
    }
}

void TArchiveBuilder::writeSpanBody() {
    if (verbose_ && OnMessage)
        OnMessage(this, 0, "Now creating spanning chunks from " + inFileName_ + " to " + outFileName_);
    if (!win32::fileExists(inFileName_)) {
        fail(EArchiveBuilder(msg::InputMissing, true));
        return;
    }
    ZipEndOfCentral end{};
    if (!CheckIfLastDisk(end, true)) return;
    if (end.thisDisk != 0 || endSearch_.spanMarker) {
        fail(EArchiveBuilder(msg::NotAZipArchive, true));
        return;
    }
    fileWriteTime(inFileName_, span_->inFileDate);
    span_->archiveSize = inFile_->size();
    const std::uint64_t total = endSearch_.totalEntries;
    if (endSearch_.centralSize > endSearch_.directoryEnd) {
        fail(EArchiveBuilder(msg::SeekError, true));
        return;
    }
    const std::uint64_t directoryAt = endSearch_.directoryEnd - endSearch_.centralSize;
    // Each entry needs a central header: the file bounds how many there are.
    AllocSpanMem(static_cast<std::size_t>(
        std::min<std::uint64_t>(total, span_->archiveSize / zip::kCentralHeaderSize)));

    // The directory first, for the names and the data lengths.
    SpanIo io(*this);
    span_->inPosition = directoryAt;
    readSpanDirectory(io, spanEntries_);
    if (failed()) return;
    if (spanEntries_.size() != total) {
        fail(EArchiveBuilder(msg::CentralHeaderReadError, true));
        return;
    }
    span_->inPosition = 0;
    SpanEntryIndex index(spanEntries_);

    // What must lie whole on one volume is known before anything is
    // written: volumes too small for it are refused now, not found broken
    // later. The end records count as if the directory could lie past
    // 4 GiB on its volume.
    const std::string& comment = endSearch_.comment;
    DirectoryPlace place;
    place.entriesHere = place.entries = total;
    place.directorySize = endSearch_.centralSize;
    place.directoryOffset = span_->archiveSize;
    std::uint8_t records[kEndRecordsMaxSize];
    const std::uint64_t endLength = storeEndRecords(place, 0, records) + comment.size();
    std::uint64_t largest = std::max(endLength, largestLocalHeader(*inFile_, io, index, total));
    for (const SpanEntry& entry : spanEntries_)
        largest = std::max<std::uint64_t>(largest, entry.centralLength);
    std::uint8_t marker[4];
    span_->smallestVolume = sizeof marker + largest;
    const std::uint64_t smallestLimit = span_->smallestVolume + static_cast<std::uint64_t>(keepFreeOnDisk1_);
    if (maxVolumeSize_ > 0 && static_cast<std::uint64_t>(maxVolumeSize_) < smallestLimit) {
        fail(EArchiveBuilder(msg::VolumesTooSmall, std::to_string(smallestLimit)));
        return;
    }

    storeLe32(marker, zip::kSpanningMarker);
    WriteSplit(marker, sizeof marker, 0);
    if (failed()) return;
    span_->reportBytes = true;
    reportProgress(pgFileCount, {}, static_cast<std::int64_t>(total));
    reportProgress(pgByteCount, {}, static_cast<std::int64_t>(span_->archiveSize));

    LocalEntry local;
    for (std::uint64_t i = 0; i < total; ++i) {
        if (!readLocalEntry(io, index, local)) return;
        io.entryStarts(withBackslashes(local.name), local.wholeSize());
        // Header, name and extra field stay on one volume; the data may not.
        const zip::LocalHeader& fields = local.fields;
        WriteSplit(local.header, sizeof local.header,
                   sizeof local.header + fields.nameLength + fields.extraLength);
        if (failed()) return;
        local.entry->diskNumber = static_cast<std::uint16_t>(currentDisk_);
        local.entry->headerOffset = span_->outByteCount - sizeof local.header;
        WriteSplit(local.name.data(), local.name.size(), 0);
        RWSplitData(fields.extraLength, msg::LocalExtraReadError);
        RWSplitData(local.dataLength, msg::ZippedDataReadError);
        if (local.descriptor) RWSplitData(zip::kDataDescriptorSize, msg::DataDescriptorError);
        if (failed()) return;
    }

    const std::string directoryName =
        LoadArchiveStr(msg::CentralDirectory, missingMessageText(msg::CentralDirectory));
    if (OnMessage) OnMessage(this, 0, io.copying() + directoryName);
    reportProgress(pgFileStart, directoryName,
                   static_cast<std::int64_t>(endSearch_.centralSize + endSearch_.comment.size() +
                                             zip::kEndOfCentralSize));
    span_->inPosition = directoryAt;
    std::uint64_t directoryOffset = 0;
    int directoryDisk = currentDisk_;
    std::uint8_t central[zip::kCentralHeaderSize];
    std::string name;
    for (std::uint64_t i = 0; i < total; ++i) {
        if (!readInExactly(central, sizeof central, msg::CentralHeaderReadError)) return;
        std::optional<zip::CentralHeader> fields = zip::parseCentralHeader(central);
        if (!fields) {
            fail(EArchiveBuilder(msg::CentralSignatureWrong, true));
            return;
        }
        const std::uint16_t nameLength = fields->nameLength;
        const std::uint16_t extraLength = fields->extraLength;
        const std::uint16_t commentLength = fields->commentLength;
        name.resize(nameLength);
        if (!readInExactly(name.data(), nameLength, msg::CentralNameReadError)) return;
        const SpanEntry* entry = index.take(io, name, SpanEntryIndex::Pass::Central);
        if (!entry) return;
        fields->diskStart = entry->diskNumber;
        fields->localHeaderOffset = static_cast<std::uint32_t>(entry->headerOffset);
        zip::storeCentralHeader(*fields, central);
        WriteSplit(central, sizeof central, sizeof central + nameLength + extraLength + commentLength);
        if (failed()) return;
        if (i == 0) {
            directoryOffset = span_->outByteCount - sizeof central;
            directoryDisk = currentDisk_;
        }
        WriteSplit(name.data(), nameLength, 0);
        RWSplitData(extraLength, msg::CentralExtraReadError);
        RWSplitData(commentLength, msg::FileCommentReadError);
        if (failed()) return;
    }

    // The end records name the volume they lie on: make room for them
    // first. A directory of 65,535 entries or more keeps its ZIP64 records.
    WriteSplit(nullptr, 0, endLength);
    if (failed()) return;
    if (total == 0) directoryOffset = span_->outByteCount, directoryDisk = currentDisk_;
    place.thisDisk = static_cast<std::uint32_t>(currentDisk_);
    place.directoryDisk = static_cast<std::uint32_t>(directoryDisk);
    place.directoryOffset = directoryOffset;
    place.recordsAt = span_->outByteCount;
    WriteSplit(records, storeEndRecords(place, static_cast<std::uint16_t>(comment.size()), records), 0);
    WriteSplit(comment.data(), comment.size(), 0);
    // The last volume's final write may fail like any other: the call then
    // ends as a failure.
    closeOutVolume(true);
    if (failed()) return;
    checkWrittenSet(fixedDriveType_ == 0);
    if (failed()) return;
    span_->reportBytes = false;
    reportProgress(pgBatchEnd, {}, 0);
}

int TArchiveBuilder::WriteSpan(const std::string& inFileName, const std::string& outFileName) {
    pack_.setBusy(true);
    useDriveOf(outFileName);
    currentDisk_ = 0;
    newDiskNeeded_ = true;
    completeVolumes_.clear();
    span_ = std::make_unique<SpanCall>();
    span_->buffer.resize(kSpanCopyChunk);
    inFileName_ = inFileName;
    outFileName_ = outFileName;
    failure_.reset();
    handlerFailed_ = false;
    int result = 0;
    {
        WaitCursor hourglass;
        writeSpanBody();
        result = spanResult();
        // A volume still open here did not get everything: it goes.
        closeOutVolume(false);
        inFile_.reset();
        DeleteSpanMem();
        span_.reset();
    }
    pack_.setBusy(false);
    if (result != 0) reportSpanFailure(result, true);
    return result;
}

}  // namespace tavrix::archive
