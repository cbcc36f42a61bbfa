// A set just written is read back before WriteSpan reports success: the end
// records of its last volume, the directory, and every entry's local header
// at the volume and offset the directory gives. A disk that did not keep
// what it was given fails the call instead of leaving a set nobody can join.
#include "archive/SpanWriteOperation.h"

#include "archive/HeaderWindow.h"
#include "archive/MessageIds.h"
#include "archive/SpanJoin.h"
#include "archive/SpanRecords.h"
#include "archive/Win32Support.h"

#include <memory>

namespace tavrix::archive {
namespace {

using namespace span;

// The volumes of the set being checked, one open at a time besides the last.
// Numbered files are all at hand; of a set on disks only the disk still in
// the drive is, and the rest is left unchecked rather than asked for again.
class WrittenVolumes {
public:
    WrittenVolumes(const std::string& setName, int lastDisk, bool onDisks)
        : setName_(setName), lastDisk_(lastDisk), onDisks_(onDisks) {}

    // Whether volume `disk` can be read without asking for a disk.
    bool atHand(int disk) const { return !onDisks_ || disk == lastDisk_; }
    RandomAccessInput* open(int disk) {
        if (disk == lastDisk_) return last();
        if (!atHand(disk) || disk < 0 || disk > lastDisk_) return nullptr;
        if (disk != otherDisk_) {
            other_.reset();
            otherWindow_.reset();
            other_ = openInputFile(volumeFileName(setName_, disk + 1));
            otherDisk_ = other_ ? disk : -1;
            if (other_) otherWindow_ = std::make_unique<HeaderWindow>(*other_);
        }
        return other_.get();
    }
    RandomAccessInput* last() {
        if (!last_) {
            last_ = openInputFile(onDisks_ ? setName_ : volumeFileName(setName_, lastDisk_ + 1));
            if (last_) lastWindow_ = std::make_unique<HeaderWindow>(*last_);
        }
        return last_.get();
    }
    // The window over volume `disk`, opened by open() just before.
    HeaderWindow& window(int disk) { return disk == lastDisk_ ? *lastWindow_ : *otherWindow_; }
    std::string name(int disk) const {
        return onDisks_ ? spanVolumeLabel(disk + 1) : volumeFileName(setName_, disk + 1);
    }

private:
    std::string setName_;
    int lastDisk_;
    bool onDisks_;
    std::unique_ptr<RandomAccessInput> last_;
    std::unique_ptr<HeaderWindow> lastWindow_;
    std::unique_ptr<RandomAccessInput> other_;
    std::unique_ptr<HeaderWindow> otherWindow_;
    int otherDisk_ = -1;
};

// Whether the local header at `at` in `window` starts the entry `entry`
// names: its signature, and its name as the directory gives it.
bool localHeaderIsThere(HeaderWindow& window, const ZipDirEntry& entry) {
    std::uint8_t header[zip::kLocalHeaderSize];
    if (!window.read(entry.localHeaderOffset, header, sizeof header)) return false;
    const std::optional<zip::LocalHeader> fields = zip::parseLocalHeader(header);
    if (!fields || fields->nameLength != entry.header.fileNameLength) return false;
    std::string name(fields->nameLength, '\0');
    if (!window.read(entry.localHeaderOffset + sizeof header, name.data(), name.size())) return false;
    name = withBackslashes(name);
    return name.substr(0, name.find('\0')) == entry.fileName;
}

}  // namespace

void SpanWriteOperation::checkWrittenSet(bool onDisks) {
    const int lastDisk = volumes.currentDisk;
    WrittenVolumes written(outName, lastDisk, onDisks);
    const auto unreadable = [&](int disk) {
        fail(EArchiveBuilder(msg::SetDoesNotReadBack, written.name(disk)));
    };
    RandomAccessInput* last = written.last();
    if (!last) return unreadable(lastDisk);
    DirectoryOptions options;
    options.codePage = cpNone;  // names compared as they are stored
    options.openVolume = [&](int disk) { return written.open(disk); };
    EndRecordSearch end;
    DirectoryListing listing;
    if (listArchive(*last, options, end, listing)) {
        // A directory that starts on an earlier disk is not at hand.
        if (!written.atHand(end.end.centralDisk)) return;
        return unreadable(lastDisk);
    }
    if (end.totalEntries != entries.size() || listing.entries.size() != entries.size())
        return unreadable(lastDisk);
    for (const ZipDirEntry& entry : listing.entries) {
        const int disk = static_cast<int>(entry.diskNumberStart);
        if (!written.atHand(disk)) continue;
        if (!written.open(disk) || !localHeaderIsThere(written.window(disk), entry)) return unreadable(disk);
    }
}

}  // namespace tavrix::archive
