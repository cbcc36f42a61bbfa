// Listing an archive's directory into the component.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/OemConversion.h"
#include "archive/Win32Support.h"

#include <cstring>

namespace tavrix::archive {

int TArchiveBuilder::Count() const {
    return zipFileName_.empty() ? 0 : static_cast<int>(dirEntries_.size());
}

std::string TArchiveBuilder::ZipComment() const {
    std::string comment = zipComment_;
    if (namesAreOem(codePage_, hostSystem_, hostVersion_)) oemToAnsiInPlace(comment);
    return comment;
}

void TArchiveBuilder::ConvertOem2Iso(char* text) const {
    if (text != nullptr && namesAreOem(codePage_, hostSystem_, hostVersion_))
        oemToAnsiInPlace(text, std::strlen(text));
}

void TArchiveBuilder::FreeZipDirEntryRecords() {
    while (!dirEntries_.empty()) dirEntries_.pop_back();
}

bool TArchiveBuilder::CheckIfLastDisk(ZipEndOfCentral& end, bool raiseErrors) {
    zipComment_.clear();
    endOfCentralOffset_ = 0;
    inFile_ = Win32FileSource::open(inFileName_);
    if (!inFile_) {
        if (raiseErrors) return fail(EArchiveBuilder(msg::InputMissing, true));
        ShowArchiveMessage(msg::CannotOpen);
        return false;
    }
    endSearch_ = EndRecordSearch{};
    endSearch_.labelVolume = volumeNumberFromLabel(volumeLabel_);
    ReadError error = findEndRecord(*inFile_, endSearch_);
    if (endSearch_.spanMarker) spannedArchive_ = true;
    archiveFileSize_ = endSearch_.fileSize;
    archiveEnd_ = endSearch_.archiveEnd;
    if (error) return raiseErrors ? fail(EArchiveBuilder::FromReadError(error)) : false;
    endOfCentralOffset_ = endSearch_.endOfCentralOffset;
    if (endSearch_.trailingGarbage) ShowArchiveMessage(msg::GarbageWarning);
    zipComment_ = endSearch_.comment;
    end = endSearch_.end;
    return true;
}

void TArchiveBuilder::adoptListing(DirectoryListing& listing) {
    dirEntries_ = std::move(listing.entries);
    lastDiskNumber_ = listing.lastDiskNumber;
    if (lastDiskNumber_ != 0) spannedArchive_ = true;
    structureWarning_ = listing.structureWarning;
    centralDirOffset_ = listing.centralDirOffset;
    archiveDataStart_ = listing.archiveDataStart;
    if (listing.haveHost) {
        hostSystem_ = listing.lastHost;
        hostVersion_ = listing.lastVersion;
    }
}

// The end record, from the disk in the drive; a disk of a spanned set that
// lacks it has the user insert the last disk instead.
bool TArchiveBuilder::findLastDisk(ZipEndOfCentral& end) {
    for (;;) {
        endSearch_ = EndRecordSearch{};
        if (CheckIfLastDisk(end, true)) return true;
        const bool partOfSet = endSearch_.spanMarker || endSearch_.labelVolume > 0;
        if (!partOfSet || numberedVolumes(::GetDriveTypeA(driveRoot_.c_str()))) return false;
        failure_.reset();
        currentDisk_ = -1;
        newDiskNeeded_ = true;
        CheckForDisk();
        if (failed()) return false;
    }
}

void TArchiveBuilder::List() {
    if (designing_) return;
    FreeZipDirEntryRecords();
    archiveDataStart_ = 0;
    centralDirOffset_ = 0;
    archiveFileSize_ = 0;
    spannedArchive_ = false;
    structureWarning_ = false;
    if (!win32::fileExists(zipFileName_)) {
        if (OnDirUpdate) OnDirUpdate(this);
        return;
    }

    failure_.reset();
    handlerFailed_ = false;
    bool listed = false;
    {
        WaitCursor hourglass;
        inFileName_ = zipFileName_;
        useDriveOf(zipFileName_);
        ZipEndOfCentral end{};
        if (!IsDiskPresent()) {
            fail(EArchiveBuilder(msg::DriveUndefined, driveRoot_));
        } else if (findLastDisk(end)) {
            DirectoryListing listing;
            DirectoryOptions options;
            options.codePage = codePage_;
            options.warn = [this](int id) { ShowArchiveMessage(id); };
            // A directory on (or continuing onto) another volume of a set:
            // that volume is asked for.
            lastDiskNumber_ = end.thisDisk;
            if (lastDiskNumber_ != 0) spannedArchive_ = true;
            currentDisk_ = end.thisDisk;
            options.openVolume = [this](int disk) -> ByteSource* {
                GetNewDisk(disk);
                return inFile_.get();
            };
            ReadError error = readDirectory(*inFile_, endSearch_, options, listing);
            adoptListing(listing);  // entries read before a failure stay
            // A failure asking for a volume comes first: the reader saw only
            // a volume it could not have.
            if (error) fail(EArchiveBuilder::FromReadError(error));
            listed = !failed();
        }
        if (handlerFailed_) {
            ShowArchiveMessage(msg::ListUnknownError);
            archiveDataStart_ = 0;
            listed = false;
        } else if (failed()) {
            ShowExceptionError(*failure_);
        }
        inFile_.reset();
    }
    if (listed && OnDirUpdate) OnDirUpdate(this);
}

}  // namespace tavrix::archive
