// WriteSpan: one archive cut into the volumes of a spanned set, on numbered
// files of a fixed drive or on disks asked for one after another, then read
// back before the call reports success.
#pragma once

#include "archive/SpanOperation.h"

#include <string>
#include <vector>

namespace tavrix::archive {

class SpanWriteOperation final : public SpanOperation {
public:
    explicit SpanWriteOperation(TArchiveBuilder& owner) : SpanOperation(owner, false) {}

    // Cuts `inFileName` into volumes named after `outFileName`. A volume
    // still open at a failure is deleted.
    void run(const std::string& inFileName, const std::string& outFileName);

    // `length` bytes onto the volumes; `need` bytes of them (a header with its
    // name) must lie on one volume.
    void writeSplit(const void* data, std::size_t length, std::uint64_t need);
    // `length` bytes of the archive copied onto the volumes.
    void copySplit(std::uint64_t length, int errorId);

    // The volumes written whole, in order.
    std::vector<std::string>& completeVolumes() { return completeVolumes_; }

private:
    void writeSet();
    // The archive's end record and directory read into `entries`; false
    // after a failure.
    bool readDirectory();
    // The room a volume needs, and volumes refused that are too small for
    // it; false after a failure.
    bool measureVolumes(SpanInput& input, SpanEntryIndex& index);
    // Every entry with its local header, then the directory with the
    // entries' new places and the set's end records.
    void copyEntries(SpanInput& input, SpanEntryIndex& index);
    void writeDirectory(SpanInput& input, SpanEntryIndex& index);
    // The directory's size and counts, for its end records.
    DirectoryPlace directoryPlace() const;
    bool openNextVolume();  // false after a failure
    void closeOutVolume(bool complete);
    // Reads the set just written back; fails when it does not read as
    // written. `onDisks`: only the disk in the drive is checked.
    void checkWrittenSet(bool onDisks);

    std::int64_t freeOnDisk_ = 0;
    std::uint64_t directoryAt_ = 0;  // in the archive being cut
    std::uint64_t endLength_ = 0;    // the set's end records with the comment
    // The room a volume needs for the largest piece that must stay whole
    // (and the set's marker), known before the first volume is written.
    std::uint64_t smallestVolume_ = 0;
    std::vector<std::string> completeVolumes_;
};

}  // namespace tavrix::archive
