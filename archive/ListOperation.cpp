#include "archive/ListOperation.h"

#include "archive/ArchiveBuilder.h"
#include "archive/MessageIds.h"

namespace tavrix::archive {

bool ListOperation::run(const std::string& archive, int lastDiskNumber) {
    volumes_.inFileName = archive;
    volumes_.lastDisk = lastDiskNumber;
    volumes_.useDriveOf(archive);
    ZipEndOfCentral end{};
    if (!volumes_.isDiskPresent()) {
        fail(EArchiveBuilder(msg::DriveUndefined, volumes_.root));
    } else if (volumes_.findLastDisk(end)) {
        reachedDirectory_ = true;
        DirectoryOptions options;
        options.codePage = owner().CodePage();
        options.warn = [this](int id) { owner().ShowArchiveMessage(id); };
        // A directory on (or continuing onto) another volume of a set:
        // that volume is asked for.
        endDisk_ = end.thisDisk;
        volumes_.lastDisk = end.thisDisk;
        volumes_.currentDisk = end.thisDisk;
        options.openVolume = [this](int disk) -> RandomAccessInput* {
            volumes_.getNewDisk(disk);
            return volumes_.inFile.get();
        };
        ReadError error = readDirectory(*volumes_.inFile, volumes_.endSearch, options, listing_);
        // A failure asking for a volume comes first: the reader saw only a
        // volume it could not have.
        if (error) fail(EArchiveBuilder::FromReadError(error));
    }
    volumes_.inFile.reset();
    return reachedDirectory_ && !failed();
}

}  // namespace tavrix::archive
