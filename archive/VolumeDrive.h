// The drive an operation reads or writes the volumes of a set on, and the
// volume it reads: which drive, which disk is in it, asking the user for
// another one, and finding the end record. Each listing, join and spanning
// call has one of its own; the checks and questions fail its operation.
#pragma once

#include "archive/DirectoryReader.h"
#include "archive/DiskSpan.h"
#include "archive/Operation.h"
#include "common/support/RandomAccessInput.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

namespace tavrix::archive {

class VolumeDrive {
public:
    explicit VolumeDrive(Operation& operation) : operation_(operation) {}

    // The drive of `path` becomes the one used, not yet checked.
    void useDriveOf(const std::string& path);
    // Whether a disk is in the drive: its label, serial number, free space
    // and size are read. A drive that does not exist fails the operation.
    bool isDiskPresent();
    static constexpr int kStoreFree = 1;
    static constexpr int kStoreSize = 2;
    void diskFreeAndSize(int which);
    // Asks for a disk until the drive holds one (and, when newDiskNeeded,
    // until a new one was put in); the drive's type, DRIVE_UNKNOWN after a
    // failure (Cancel included).
    UINT checkForDisk();
    // Whether the disk in the drive is volume currentDisk; on a fixed drive
    // the file of that number becomes inFileName.
    bool isRightDisk(UINT driveType);
    // Whether the set being read is one of numbered files (on a drive of
    // this type, with the disk label last read), not one of labelled disks.
    bool numberedVolumes(UINT driveType) const;
    // Opens volume `volume` (0 for the first) as inFile, asking for its disk.
    void getNewDisk(int volume);
    // Finds the end record of inFileName and leaves the file open. Without
    // `raiseErrors`, a file that cannot be opened is told at once and the
    // other failures give false only.
    bool checkIfLastDisk(ZipEndOfCentral& end, bool raiseErrors);
    // The end record, from the disk in the drive; a disk of a spanned set
    // that lacks it has the user insert the last disk instead.
    bool findLastDisk(ZipEndOfCentral& end);

    std::string root;
    // The drive type of root once checkForDisk found a fixed or network
    // drive there; 0 until then.
    UINT fixedType = 0;
    std::string label;
    DWORD serial = 0;
    std::int64_t freeBytes = -1;
    std::int64_t totalBytes = -1;
    int currentDisk = 0;  // -1: the last disk is asked for
    bool newDiskNeeded = false;
    int lastDisk = 0;           // the set's last volume, as far as known
    std::uint64_t setSize = 0;  // writing: the archive being cut, for the disks asked for

    std::string inFileName;  // the archive or volume being read
    std::unique_ptr<RandomAccessInput> inFile;
    EndRecordSearch endSearch;
    // What the last end-record search found besides the record.
    std::string comment;  // raw
    std::uint64_t endOfCentralOffset = 0;
    std::uint64_t fileSize = 0;
    std::uint64_t archiveEnd = 0;
    bool spanMarkerSeen = false;  // a volume began with the set's marker
    bool searched = false;        // an end record was looked for
    bool opened = false;          // the last file looked at could be opened

private:
    Operation& operation_;
};

// A call that needs a drive and nothing more: one file's end record looked
// at (the conversions), or a drive member used between operations.
class DriveOperation final : public Operation {
public:
    explicit DriveOperation(TArchiveBuilder& owner) : Operation(owner), volumes(*this) {}
    VolumeDrive* drive() override { return &volumes; }

    VolumeDrive volumes;
};

}  // namespace tavrix::archive
