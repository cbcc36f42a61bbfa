// Listing an archive's directory into the component.
#include "archive/ArchiveBuilder.h"

#include "archive/ListOperation.h"
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

    handlerFailed_ = false;
    bool listed = false;
    {
        WaitCursor hourglass;
        OperationResult result;
        {
            ListOperation call(*this);
            // The emptied list keeps its room: listing a large archive again
            // (after every change) reuses that memory rather than new pages.
            call.listing().entries.swap(dirEntries_);
            listed = call.run(zipFileName_, lastDiskNumber_);
            const VolumeDrive& volumes = call.volumes();
            driveRoot_ = volumes.root;
            volumeLabel_ = volumes.label;
            if (volumes.searched) {
                zipComment_ = volumes.comment;
                endOfCentralOffset_ = volumes.endOfCentralOffset;
            }
            if (volumes.opened) {
                archiveFileSize_ = volumes.fileSize;
                archiveEnd_ = volumes.archiveEnd;
            }
            if (volumes.spanMarkerSeen) spannedArchive_ = true;
            if (call.reachedDirectory()) {
                if (call.endDisk() != 0) spannedArchive_ = true;
                // Entries read before a failure stay.
                adoptListing(call.listing());
            }
            result = call.result();
        }
        if (result.handlerFailed) {
            archiveDataStart_ = 0;
            listed = false;
        }
        report(result, msg::ListUnknownError);
    }
    if (listed && OnDirUpdate) OnDirUpdate(this);
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

}  // namespace tavrix::archive
