// WriteSpan: one archive cut into the volumes of a spanned set, on numbered
// files of a fixed drive or on disks asked for one after another.
#include "archive/SpanWriteOperation.h"

#include "archive/ArchiveBuilder.h"
#include "archive/HeaderWindow.h"
#include "archive/MessageIds.h"
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

// The largest local header with its name and extra field: each must lie
// whole on one volume. The walk stops quietly where the archive is damaged;
// the copy that follows reports it.
std::uint64_t largestLocalHeader(RandomAccessInput& file, SpanInput& input, SpanEntryIndex& index,
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
        const std::uint64_t piece = sizeof header + fields->nameLength + fields->extraLength;
        largest = std::max(largest, piece);
        at += piece + localDataLength(*fields, *entry) + descriptorLength(*fields, *entry);
    }
    index.restart(SpanEntryIndex::Pass::Local);
    return largest;
}

}  // namespace

void SpanWriteOperation::closeOutVolume(bool complete) {
    if (!outFile) return;
    // A volume that did not take all it was given is no complete one.
    if (complete && !flushOut(msg::WriteError)) complete = false;
    dropPending();
    setFileWriteTime(outFile.get(), inFileDate);
    outFile.reset();
    if (complete)
        completeVolumes_.push_back(outVolumeName);
    else
        ::DeleteFileA(outVolumeName.c_str());
}

bool SpanWriteOperation::openNextVolume() {
    for (;;) {
        const UINT type = volumes.checkForDisk();
        if (failed()) return false;
        const bool removable = !isFixedOrNetwork(type);
        std::string name = removable ? outName : volumeFileName(outName, volumes.currentDisk + 1);
        if (removable && owner().AddOptions().has(AddDiskSpanErase)) {
            volumes.label = spanVolumeLabel(volumes.currentDisk + 1);
            const int formatted = owner().FormatDisk();
            if (formatted == -2) return fail(EArchiveBuilder(msg::UserCanceled, false));
            if (formatted == -1) return fail(EArchiveBuilder(msg::UserCanceled, true));
        }
        if (win32::fileExists(name)) {
            if (owner().Unattended()) return fail(EArchiveBuilder(msg::UnattendedSpanning, true));
            // A disk of this very set written earlier (same date, a lower
            // number) deserves a sharper question. Fixed drives carry no
            // volume numbers in their labels.
            FILETIME existing{};
            const int labelled = volumeNumberFromLabel(volumes.label);
            std::string question;
            if (removable && fileWriteTime(name, existing) &&
                ::CompareFileTime(&existing, &inFileDate) == 0 && labelled - 1 < volumes.currentDisk)
                question = EArchiveBuilder(msg::OverwritePreviousDisk, labelled).what();
            else
                question = EArchiveBuilder(msg::OverwriteFile, name).what();
            const int answer = win32::showMessageBox(owner().OwnerWindow(), question, "Confirm",
                                                     MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2);
            if (answer == IDNO) {
                outByteCount = 0;
                volumes.newDiskNeeded = true;
                continue;
            }
            if (answer != IDYES) return fail(EArchiveBuilder(msg::UserCanceled, false));
        }
        outFile = createOutputFile(name);
        if (!outFile) return fail(EArchiveBuilder(msg::OutputCreateFailed, true));
        outVolumeName = name;
        // The label first: on a disk it may take room of its own.
        if (removable &&
            !::SetVolumeLabelA(volumes.root.c_str(), spanVolumeLabel(volumes.currentDisk + 1).c_str())) {
            closeOutVolume(false);
            return fail(EArchiveBuilder(msg::VolumeLabelFailed, true));
        }
        volumes.diskFreeAndSize(VolumeDrive::kStoreFree);
        std::int64_t room = volumes.freeBytes;
        if (owner().MaxVolumeSize() > 0 && (room < 0 || owner().MaxVolumeSize() < room))
            room = owner().MaxVolumeSize();
        if (volumes.currentDisk == 0) room -= owner().KeepFreeOnDisk1();
        // A disk with less room than the largest piece that must stay whole
        // could not take it: asked about like a full one.
        if (room < owner().MinFreeVolumeSize() || room < static_cast<std::int64_t>(smallestVolume_)) {
            closeOutVolume(false);
            if (owner().Unattended()) return fail(EArchiveBuilder(msg::UnattendedSpanning, true));
            const int answer = win32::showMessageBox(
                owner().OwnerWindow(),
                LoadArchiveStr(msg::NotEnoughFreeSpace, missingMessageText(msg::NotEnoughFreeSpace)),
                applicationTitle(owner().OwnerWindow()), MB_RETRYCANCEL | MB_ICONERROR);
            if (answer == IDRETRY) {
                volumes.newDiskNeeded = true;
                continue;
            }
            return fail(answer == IDCANCEL ? EArchiveBuilder(msg::UserCanceled, false)
                                           : EArchiveBuilder(msg::MsgBoxFailed, true));
        }
        freeOnDisk_ = room;
        outByteCount = 0;
        return true;
    }
}

void SpanWriteOperation::writeSplit(const void* data, std::size_t length, std::uint64_t need) {
    if (!keepResponsive()) return;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (;;) {
        // Checked for each volume's piece: one chunk may cross several.
        if (owner().Cancel()) {
            fail(EArchiveBuilder(msg::UserCanceled, false));
            return;
        }
        if (!outFile && !openNextVolume()) return;
        // What must stay together goes to the next volume. Volumes were
        // checked to take the largest piece: one that still does not fit an
        // empty volume would break the set.
        if (need != 0 && static_cast<std::uint64_t>(freeOnDisk_) < need) {
            if (outByteCount == 0) {
                fail(EArchiveBuilder(msg::VolumesTooSmall, std::to_string(std::max(need, smallestVolume_))));
                return;
            }
            closeOutVolume(true);
            if (failed()) return;
            outByteCount = 0;
            ++volumes.currentDisk;
            volumes.newDiskNeeded = true;
            continue;
        }
        need = 0;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(length, freeOnDisk_));
        if (n != 0) {
            if (!writeOut(bytes, n, msg::WriteError)) return;
            if (reportBytes) reportProgress(pgAdvance, {}, static_cast<std::int64_t>(n));
            outByteCount += n;
            freeOnDisk_ -= static_cast<std::int64_t>(n);
            bytes += n;
            length -= n;
        }
        if (length == 0) return;
        closeOutVolume(true);
        if (failed()) return;
        outByteCount = 0;
        freeOnDisk_ = 0;
        ++volumes.currentDisk;
        volumes.newDiskNeeded = true;
    }
}

void SpanWriteOperation::copySplit(std::uint64_t length, int errorId) {
    while (length != 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(length, kSpanCopyChunk));
        if (!readInExactly(buffer.get(), chunk, errorId)) return;
        writeSplit(buffer.get(), chunk, 0);
        if (failed()) return;
        length -= chunk;
    }
}

void SpanWriteOperation::writeSet() {
    TArchiveBuilder& component = owner();
    if (component.Verbose() && component.OnMessage)
        component.OnMessage(&component, 0,
                            "Now creating spanning chunks from " + volumes.inFileName + " to " + outName);
    if (!readDirectory()) return;
    SpanInputStream io(*this);
    SpanEntryIndex index(entries);
    if (!measureVolumes(io, index)) return;

    std::uint8_t marker[4];
    storeLe32(marker, zip::kSpanningMarker);
    writeSplit(marker, sizeof marker, 0);
    if (failed()) return;
    reportBytes = true;
    reportProgress(pgFileCount, {}, static_cast<std::int64_t>(entries.size()));
    reportProgress(pgByteCount, {}, static_cast<std::int64_t>(volumes.setSize));
    copyEntries(io, index);
    writeDirectory(io, index);
    if (failed()) return;
    // The last volume's final write may fail like any other: the call then
    // ends as a failure.
    closeOutVolume(true);
    if (failed()) return;
    checkWrittenSet(volumes.fixedType == 0);
    if (failed()) return;
    reportBytes = false;
    reportProgress(pgBatchEnd, {}, 0);
}

bool SpanWriteOperation::readDirectory() {
    if (!win32::fileExists(volumes.inFileName)) return fail(EArchiveBuilder(msg::InputMissing, true));
    ZipEndOfCentral end{};
    if (!volumes.checkIfLastDisk(end, true)) return false;
    const EndRecordSearch& found = volumes.endSearch;
    if (end.thisDisk != 0 || found.spanMarker) return fail(EArchiveBuilder(msg::NotAZipArchive, true));
    fileWriteTime(volumes.inFileName, inFileDate);
    volumes.setSize = volumes.inFile->size();
    const std::uint64_t total = found.totalEntries;
    if (found.centralSize > found.directoryEnd) return fail(EArchiveBuilder(msg::SeekError, true));
    directoryAt_ = found.directoryEnd - found.centralSize;
    // Each entry needs a central header: the file bounds how many there are.
    entries.assign(
        static_cast<std::size_t>(std::min<std::uint64_t>(total, volumes.setSize / zip::kCentralHeaderSize)),
        SpanEntry{});
    // The directory first, for the names and the data lengths.
    SpanInputStream io(*this);
    inPosition = directoryAt_;
    readSpanDirectory(io, entries);
    if (failed()) return false;
    if (entries.size() != total) return fail(EArchiveBuilder(msg::CentralHeaderReadError, true));
    inPosition = 0;
    return true;
}

DirectoryPlace SpanWriteOperation::directoryPlace() const {
    DirectoryPlace place;
    place.entriesHere = place.entries = entries.size();
    place.directorySize = volumes.endSearch.centralSize;
    return place;
}

bool SpanWriteOperation::measureVolumes(SpanInput& input, SpanEntryIndex& index) {
    // What must lie whole on one volume is known before anything is
    // written: volumes too small for it are refused now, not found broken
    // later. The end records count as if the directory could lie past
    // 4 GiB on its volume.
    DirectoryPlace place = directoryPlace();
    place.directoryOffset = volumes.setSize;
    std::uint8_t records[kEndRecordsMaxSize];
    endLength_ = storeEndRecords(place, 0, records) + volumes.endSearch.comment.size();
    std::uint64_t largest =
        std::max(endLength_, largestLocalHeader(*volumes.inFile, input, index, entries.size()));
    for (const SpanEntry& entry : entries) largest = std::max<std::uint64_t>(largest, entry.centralLength);
    smallestVolume_ = 4 + largest;  // and the set's marker
    const std::uint64_t smallestLimit =
        smallestVolume_ + static_cast<std::uint64_t>(owner().KeepFreeOnDisk1());
    const long maxVolumeSize = owner().MaxVolumeSize();
    if (maxVolumeSize > 0 && static_cast<std::uint64_t>(maxVolumeSize) < smallestLimit)
        return fail(EArchiveBuilder(msg::VolumesTooSmall, std::to_string(smallestLimit)));
    return true;
}

void SpanWriteOperation::copyEntries(SpanInput& input, SpanEntryIndex& index) {
    LocalEntry local;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!readLocalEntry(input, index, local)) return;
        entryStarts(withBackslashes(local.name), local.wholeSize());
        // Header, name and extra field stay on one volume; the data may not.
        const zip::LocalHeader& fields = local.fields;
        writeSplit(local.header, sizeof local.header,
                   sizeof local.header + fields.nameLength + fields.extraLength);
        if (failed()) return;
        local.entry->diskNumber = static_cast<std::uint16_t>(volumes.currentDisk);
        local.entry->headerOffset = outByteCount - sizeof local.header;
        writeSplit(local.name.data(), local.name.size(), 0);
        copySplit(fields.extraLength, msg::LocalExtraReadError);
        copySplit(local.dataLength, msg::ZippedDataReadError);
        if (local.descriptorLength != 0) copySplit(local.descriptorLength, msg::DataDescriptorError);
        if (failed()) return;
    }
}

void SpanWriteOperation::writeDirectory(SpanInput& input, SpanEntryIndex& index) {
    if (failed()) return;
    TArchiveBuilder& component = owner();
    const std::string directoryName =
        LoadArchiveStr(msg::CentralDirectory, missingMessageText(msg::CentralDirectory));
    if (component.OnMessage) component.OnMessage(&component, 0, copying() + directoryName);
    const std::string& comment = volumes.endSearch.comment;
    reportProgress(
        pgFileStart, directoryName,
        static_cast<std::int64_t>(volumes.endSearch.centralSize + comment.size() + zip::kEndOfCentralSize));
    inPosition = directoryAt_;
    std::uint64_t directoryOffset = 0;
    int directoryDisk = volumes.currentDisk;
    std::uint8_t central[zip::kCentralHeaderSize];
    std::string name;
    for (std::size_t i = 0; i < entries.size(); ++i) {
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
        const SpanEntry* entry = index.take(input, name, SpanEntryIndex::Pass::Central);
        if (!entry) return;
        fields->diskStart = entry->diskNumber;
        fields->localHeaderOffset = static_cast<std::uint32_t>(entry->headerOffset);
        zip::storeCentralHeader(*fields, central);
        writeSplit(central, sizeof central, sizeof central + nameLength + extraLength + commentLength);
        if (failed()) return;
        if (i == 0) {
            directoryOffset = outByteCount - sizeof central;
            directoryDisk = volumes.currentDisk;
        }
        writeSplit(name.data(), nameLength, 0);
        copySplit(extraLength, msg::CentralExtraReadError);
        copySplit(commentLength, msg::FileCommentReadError);
        if (failed()) return;
    }

    // The end records name the volume they lie on: make room for them
    // first. A directory of 65,535 entries or more keeps its ZIP64 records.
    writeSplit(nullptr, 0, endLength_);
    if (failed()) return;
    if (entries.empty()) directoryOffset = outByteCount, directoryDisk = volumes.currentDisk;
    DirectoryPlace place = directoryPlace();
    place.thisDisk = static_cast<std::uint32_t>(volumes.currentDisk);
    place.directoryDisk = static_cast<std::uint32_t>(directoryDisk);
    place.directoryOffset = directoryOffset;
    place.recordsAt = outByteCount;
    std::uint8_t records[kEndRecordsMaxSize];
    writeSplit(records, storeEndRecords(place, static_cast<std::uint16_t>(comment.size()), records), 0);
    writeSplit(comment.data(), comment.size(), 0);
}

void SpanWriteOperation::run(const std::string& inFileName, const std::string& outFileName) {
    volumes.useDriveOf(outFileName);
    volumes.currentDisk = 0;
    volumes.newDiskNeeded = true;
    volumes.inFileName = inFileName;
    outName = outFileName;
    writeSet();
    // A volume still open here did not get everything: it goes.
    closeOutVolume(false);
    volumes.inFile.reset();
}

// The component's members for it.

int TArchiveBuilder::WriteSpan(const std::string& inFileName, const std::string& outFileName) {
    pack_.setBusy(true);
    completeVolumes_.clear();
    handlerFailed_ = false;
    OperationResult result;
    {
        WaitCursor hourglass;
        SpanWriteOperation call(*this);
        call.volumes.label = volumeLabel_;
        call.volumes.lastDisk = lastDiskNumber_;
        call.run(inFileName, outFileName);
        lastDiskNumber_ = call.volumes.lastDisk;
        completeVolumes_ = std::move(call.completeVolumes());
        result = call.result();
    }
    pack_.setBusy(false);
    if (!result.succeeded()) reportSpanFailure(result, true);
    return result.spanCode();
}

void TArchiveBuilder::WriteSplit(const void* data, std::size_t length, std::uint64_t need) {
    SpanOperation* span = runningSpan();
    if (span != nullptr && !span->joining())
        static_cast<SpanWriteOperation*>(span)->writeSplit(data, length, need);
}

void TArchiveBuilder::RWSplitData(std::uint64_t length, int errorId) {
    SpanOperation* span = runningSpan();
    if (span != nullptr && !span->joining())
        static_cast<SpanWriteOperation*>(span)->copySplit(length, errorId);
}

}  // namespace tavrix::archive
