// The component's members that act on the running call: its drive, the
// disk asked for, the set's entries. Between calls they look at the drive of
// the last listing, in a call of their own.
#include "archive/ArchiveBuilder.h"

#include "archive/SpanOperation.h"
#include "archive/VolumeDrive.h"

namespace tavrix::archive {
namespace {

template <typename Act>
auto onDrive(TArchiveBuilder& component, VolumeDrive* running, Act act) {
    if (running != nullptr) return act(*running);
    // Read before the call starts: from then on these are the call's own.
    const std::string root = component.DriveRoot();
    const std::string label = component.VolumeLabel();
    DriveOperation call(component);
    call.volumes.root = root;
    call.volumes.label = label;
    call.volumes.lastDisk = component.LastDiskNumber();
    call.volumes.inFileName = component.ZipFileName();
    return act(call.volumes);
}

}  // namespace

const std::string& TArchiveBuilder::VolumeLabel() const {
    const VolumeDrive* drive = runningDrive();
    return drive != nullptr ? drive->label : volumeLabel_;
}

const std::string& TArchiveBuilder::DriveRoot() const {
    const VolumeDrive* drive = runningDrive();
    return drive != nullptr ? drive->root : driveRoot_;
}

int TArchiveBuilder::CurrentDisk() const {
    const VolumeDrive* drive = runningDrive();
    return drive != nullptr ? drive->currentDisk : 0;
}

bool TArchiveBuilder::Joining() const {
    const SpanOperation* span = runningSpan();
    return span != nullptr && span->joining();
}

bool TArchiveBuilder::IsDiskPresent() {
    return onDrive(*this, runningDrive(), [](VolumeDrive& drive) { return drive.isDiskPresent(); });
}

void TArchiveBuilder::DiskFreeAndSize(int which) {
    onDrive(*this, runningDrive(), [which](VolumeDrive& drive) { drive.diskFreeAndSize(which); });
}

UINT TArchiveBuilder::CheckForDisk() {
    return onDrive(*this, runningDrive(), [](VolumeDrive& drive) { return drive.checkForDisk(); });
}

bool TArchiveBuilder::IsRightDisk(UINT driveType) {
    return onDrive(*this, runningDrive(),
                   [driveType](VolumeDrive& drive) { return drive.isRightDisk(driveType); });
}

void TArchiveBuilder::GetNewDisk(int volume) {
    if (SpanOperation* span = runningSpan()) return span->openVolume(volume);
    onDrive(*this, runningDrive(), [volume](VolumeDrive& drive) { drive.getNewDisk(volume); });
}

bool TArchiveBuilder::CheckIfLastDisk(ZipEndOfCentral& end, bool raiseErrors) {
    if (VolumeDrive* drive = runningDrive()) return drive->checkIfLastDisk(end, raiseErrors);
    DriveOperation call(*this);
    call.volumes.inFileName = zipFileName_;
    call.volumes.label = volumeLabel_;
    const bool found = call.volumes.checkIfLastDisk(end, raiseErrors);
    zipComment_ = call.volumes.comment;
    endOfCentralOffset_ = call.volumes.endOfCentralOffset;
    if (call.volumes.spanMarkerSeen) spannedArchive_ = true;
    if (call.volumes.opened) {
        archiveFileSize_ = call.volumes.fileSize;
        archiveEnd_ = call.volumes.archiveEnd;
    }
    return found;
}

void TArchiveBuilder::AllocSpanMem(std::size_t count) {
    if (SpanOperation* span = runningSpan()) span->entries.assign(count, SpanEntry{});
}

void TArchiveBuilder::DeleteSpanMem() {
    if (SpanOperation* span = runningSpan()) std::vector<SpanEntry>().swap(span->entries);
}

std::size_t TArchiveBuilder::FindZipEntry(std::string_view name) {
    SpanOperation* span = runningSpan();
    return span != nullptr ? span->findEntry(name) : 0;
}

const std::vector<SpanEntry>& TArchiveBuilder::SpanEntries() const {
    static const std::vector<SpanEntry> none;
    const SpanOperation* span = runningSpan();
    return span != nullptr ? span->entries : none;
}

}  // namespace tavrix::archive
