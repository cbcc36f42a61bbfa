// Asking for disks: the prompts of a spanned set's reading and writing, the
// check that the disk in the drive is the wanted volume, and the per-entry
// records both directions keep.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/SpanRecords.h"
#include "archive/Win32Support.h"
#include "common/win32/MessageBoxSeam.h"

#include <algorithm>

namespace tavrix::archive {
namespace {

using namespace span;

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return (a + b - 1) / b;
}

// A catalogue text with its numbers filled in.
std::string catalogueText(int id, std::initializer_list<std::int64_t> numbers) {
    std::vector<std::string> values;
    for (std::int64_t n : numbers) values.push_back(std::to_string(n));
    return fillPlaceholders(LoadArchiveStr(id, missingMessageText(id)), values);
}

}  // namespace

void TArchiveBuilder::reportProgress(ProgressType type, const std::string& name, std::int64_t size) {
    if (OnProgress)
        OnProgress(this, type, name,
                   progressSize(static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0))));
}

void TArchiveBuilder::useDriveOf(const std::string& path) {
    driveRoot_ = driveOf(fullPathOf(path)) + "\\";
    fixedDriveType_ = 0;
}

UINT TArchiveBuilder::CheckForDisk() {
    if (failed()) return DRIVE_UNKNOWN;
    // A fixed or network drive holds numbered files, not disks that change:
    // once it was found there, checking it again for every volume would only
    // cost time (under Wine, milliseconds of the drive service's each).
    const UINT type = fixedDriveType_ != 0 ? fixedDriveType_ : ::GetDriveTypeA(driveRoot_.c_str());
    processMessages();
    if (fixedDriveType_ != 0) {
        newDiskNeeded_ = false;
        return type;
    }
    int answer = IDOK;
    while ((answer == IDOK && !IsDiskPresent()) || newDiskNeeded_) {
        if (failed()) return DRIVE_UNKNOWN;
        if (isFixedOrNetwork(type)) {
            newDiskNeeded_ = false;
            break;
        }
        if (unattended_) {
            fail(EArchiveBuilder(msg::UnattendedSpanning, true));
            return DRIVE_UNKNOWN;
        }
        std::string text;
        UINT icon = MB_ICONINFORMATION;
        if (currentDisk_ < 0) {
            text = LoadArchiveStr(msg::InsertLastDisk, missingMessageText(msg::InsertLastDisk));
            icon = MB_ICONSTOP;
        } else if (pack_.busy()) {
            // The whole set's size over one volume's capacity, rounded up:
            // the number of disks the user is to have ready.
            std::int64_t capacity = diskSize_;
            if (maxVolumeSize_ > 0 && (capacity <= 0 || maxVolumeSize_ < capacity)) capacity = maxVolumeSize_;
            if (capacity > 0) {
                const std::uint64_t archiveSize = span_ ? span_->archiveSize : 0;
                const auto needed = static_cast<std::int64_t>(archiveSize) + 4 + keepFreeOnDisk1_;
                lastDiskNumber_ =
                    static_cast<int>(std::max<std::int64_t>(currentDisk_ + 1, ceilDiv(needed, capacity)));
                text = catalogueText(msg::InsertVolumeOf, {currentDisk_ + 1, lastDiskNumber_});
            } else {
                text = catalogueText(msg::InsertVolume, {currentDisk_ + 1});
            }
        } else {
            text = catalogueText(msg::InsertVolumeOf, {currentDisk_ + 1, lastDiskNumber_ + 1});
        }
        text += fillPlaceholders(LoadArchiveStr(msg::InDrive, missingMessageText(msg::InDrive)),
                                 {driveRoot_.substr(0, 1)});
        answer =
            win32::showMessageBox(ownerWindow_, text, applicationTitle(ownerWindow_), MB_OKCANCEL | icon);
        newDiskNeeded_ = false;
    }
    if (failed()) return DRIVE_UNKNOWN;
    if (answer == IDOK) {
        if (isFixedOrNetwork(type)) fixedDriveType_ = type;
        return type;
    }
    fail(answer == IDCANCEL ? EArchiveBuilder(msg::UserCanceled, false)
                            : EArchiveBuilder(msg::MsgBoxFailed, true));
    return DRIVE_UNKNOWN;
}

bool TArchiveBuilder::IsRightDisk(UINT driveType) {
    if (isFixedOrNetwork(driveType)) {
        // The set's files differ only in the number before the extension; a
        // name without one cannot lead to another volume.
        if (volumeNumberOfFile(inFileName_) < 0)
            return !fail(EArchiveBuilder(msg::InsertVolume, currentDisk_ + 1));
        inFileName_ = withVolumeNumber(inFileName_, currentDisk_ + 1);
        return true;
    }
    return volumeLabel_ == spanVolumeLabel(currentDisk_ + 1);
}

bool TArchiveBuilder::numberedVolumes(UINT driveType) const {
    if (isFixedOrNetwork(driveType)) return true;
    // A CD, a USB stick or a RAM disk holding the numbered files of a set:
    // its label is its own, not that of a disk of a set.
    return volumeNumberOfFile(inFileName_) >= 0 && volumeNumberFromLabel(volumeLabel_) == 0;
}

void TArchiveBuilder::GetNewDisk(int volume) {
    if (failed()) return;
    inFile_.reset();
    if (span_) {  // a listing reads its volumes without the spanning streams
        span_->inPosition = 0;
        span_->inAheadLength = 0;
    }
    currentDisk_ = volume;
    // Numbered volume files are taken wherever they are, whatever kind of
    // drive holds them; only a set of disks is asked for disk by disk.
    if (volumeNumberOfFile(inFileName_) >= 0 &&
        numberedVolumes(fixedDriveType_ != 0 ? fixedDriveType_ : ::GetDriveTypeA(driveRoot_.c_str()))) {
        const std::string numbered = withVolumeNumber(inFileName_, volume + 1);
        processMessages();
        if (win32::fileExists(numbered)) {
            inFileName_ = numbered;
            inFile_ = Win32FileSource::open(inFileName_);
            if (inFile_) return;
        }
    }
    for (;;) {
        UINT type = 0;
        do {
            newDiskNeeded_ = true;
            type = CheckForDisk();
            if (failed()) return;
        } while (!IsRightDisk(type));
        if (failed()) return;
        inFile_ = Win32FileSource::open(inFileName_);
        if (inFile_) return;
        if (isFixedOrNetwork(type)) {
            fail(EArchiveBuilder(msg::InputMissing, true));
            return;
        }
        ShowArchiveMessage(msg::InputMissing);
    }
}

void TArchiveBuilder::AllocSpanMem(std::size_t count) {
    spanEntries_.assign(count, SpanEntry{});
}

void TArchiveBuilder::DeleteSpanMem() {
    std::vector<SpanEntry>().swap(spanEntries_);
}

std::size_t TArchiveBuilder::FindZipEntry(std::string_view name) {
    for (std::size_t i = 0; i < spanEntries_.size(); ++i)
        if (spanEntries_[i].name == name) return i;
    fail(EArchiveBuilder(msg::EntryNotFound, true));
    return spanEntries_.size();
}

}  // namespace tavrix::archive
