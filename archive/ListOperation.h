// List: one archive's directory read, asking for the set's volume that holds
// it when the archive is a volume of a spanned set.
#pragma once

#include "archive/DirectoryReader.h"
#include "archive/Operation.h"
#include "archive/VolumeDrive.h"

#include <string>

namespace tavrix::archive {

class ListOperation final : public Operation {
public:
    explicit ListOperation(TArchiveBuilder& owner) : Operation(owner), volumes_(*this) {}

    // Reads the directory of `archive`, on the drive it names. True when it
    // was read whole; the entries read before a failure stay in listing().
    bool run(const std::string& archive, int lastDiskNumber);

    // The end record was found and the directory read (whole or not).
    bool reachedDirectory() const { return reachedDirectory_; }
    // The volume the end record is on.
    int endDisk() const { return endDisk_; }
    DirectoryListing& listing() { return listing_; }
    VolumeDrive& volumes() { return volumes_; }
    VolumeDrive* drive() override { return &volumes_; }

private:
    VolumeDrive volumes_;
    DirectoryListing listing_;
    bool reachedDirectory_ = false;
    int endDisk_ = 0;
};

}  // namespace tavrix::archive
