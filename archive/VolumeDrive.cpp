#include "archive/VolumeDrive.h"

#include "archive/ArchiveBuilder.h"
#include "archive/MessageIds.h"
#include "archive/Operation.h"
#include "archive/SpanRecords.h"
#include "archive/Win32Support.h"
#include "common/win32/DiskSpace.h"
#include "common/win32/MessageBoxSeam.h"

#include <algorithm>
#include <cctype>

namespace tavrix::archive {
namespace {

using span::isFixedOrNetwork;

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

void VolumeDrive::useDriveOf(const std::string& path) {
    root = driveOf(fullPathOf(path)) + "\\";
    fixedType = 0;
}

void VolumeDrive::diskFreeAndSize(int which) {
    const win32::DiskSpace space = win32::diskSpaceOf(root);
    if (which & kStoreFree) freeBytes = space.freeBytes;
    if (which & kStoreSize) totalBytes = space.totalBytes;
}

bool VolumeDrive::isDiskPresent() {
    const bool network = !root.empty() && root[0] == '\\';
    if (!network) {
        const char letter =
            root.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(root[0])));
        if (letter < 'A' || letter > 'Z') return operation_.fail(EArchiveBuilder(msg::InvalidDrive, root));
        if ((::GetLogicalDrives() & (1u << (letter - 'A'))) == 0)
            return operation_.fail(EArchiveBuilder(msg::DriveUndefined, root));
    }
    ErrorModeScope quiet(kQuietErrorMode);
    diskFreeAndSize(kStoreFree | kStoreSize);
    char text[MAX_PATH + 1] = {};
    DWORD number = 0;
    if (!::GetVolumeInformationA(root.c_str(), text, sizeof text, &number, nullptr, nullptr, nullptr, 0)) {
        // An unformatted disk is fine when it is going to be formatted anyway.
        return ::GetLastError() == ERROR_GEN_FAILURE && operation_.owner().AddOptions().has(AddDiskSpanErase);
    }
    label = text;
    serial = number;
    return network || totalBytes != -1;
}

UINT VolumeDrive::checkForDisk() {
    if (operation_.failed()) return DRIVE_UNKNOWN;
    TArchiveBuilder& owner = operation_.owner();
    // A fixed or network drive holds numbered files, not disks that change:
    // once it was found there, checking it again for every volume would only
    // cost time (under Wine, milliseconds of the drive service's each).
    const UINT type = fixedType != 0 ? fixedType : ::GetDriveTypeA(root.c_str());
    processMessages();
    if (fixedType != 0) {
        newDiskNeeded = false;
        return type;
    }
    int answer = IDOK;
    while ((answer == IDOK && !isDiskPresent()) || newDiskNeeded) {
        if (operation_.failed()) return DRIVE_UNKNOWN;
        if (isFixedOrNetwork(type)) {
            newDiskNeeded = false;
            break;
        }
        if (owner.Unattended()) {
            operation_.fail(EArchiveBuilder(msg::UnattendedSpanning, true));
            return DRIVE_UNKNOWN;
        }
        std::string text;
        UINT icon = MB_ICONINFORMATION;
        if (currentDisk < 0) {
            text = LoadArchiveStr(msg::InsertLastDisk, missingMessageText(msg::InsertLastDisk));
            icon = MB_ICONSTOP;
        } else if (owner.PackEngineBusy()) {
            // The whole set's size over one volume's capacity, rounded up:
            // the number of disks the user is to have ready.
            std::int64_t capacity = totalBytes;
            const long maxVolumeSize = owner.MaxVolumeSize();
            if (maxVolumeSize > 0 && (capacity <= 0 || maxVolumeSize < capacity)) capacity = maxVolumeSize;
            if (capacity > 0) {
                const auto needed = static_cast<std::int64_t>(setSize) + 4 + owner.KeepFreeOnDisk1();
                lastDisk =
                    static_cast<int>(std::max<std::int64_t>(currentDisk + 1, ceilDiv(needed, capacity)));
                text = catalogueText(msg::InsertVolumeOf, {currentDisk + 1, lastDisk});
            } else {
                text = catalogueText(msg::InsertVolume, {currentDisk + 1});
            }
        } else {
            text = catalogueText(msg::InsertVolumeOf, {currentDisk + 1, lastDisk + 1});
        }
        text += fillPlaceholders(LoadArchiveStr(msg::InDrive, missingMessageText(msg::InDrive)),
                                 {root.substr(0, 1)});
        answer = win32::showMessageBox(owner.OwnerWindow(), text, applicationTitle(owner.OwnerWindow()),
                                       MB_OKCANCEL | icon);
        newDiskNeeded = false;
    }
    if (operation_.failed()) return DRIVE_UNKNOWN;
    if (answer == IDOK) {
        if (isFixedOrNetwork(type)) fixedType = type;
        return type;
    }
    operation_.fail(answer == IDCANCEL ? EArchiveBuilder(msg::UserCanceled, false)
                                       : EArchiveBuilder(msg::MsgBoxFailed, true));
    return DRIVE_UNKNOWN;
}

bool VolumeDrive::isRightDisk(UINT driveType) {
    if (isFixedOrNetwork(driveType)) {
        // The set's files differ only in the number before the extension; a
        // name without one cannot lead to another volume.
        if (volumeNumberOfFile(inFileName) < 0)
            return !operation_.fail(EArchiveBuilder(msg::InsertVolume, currentDisk + 1));
        inFileName = withVolumeNumber(inFileName, currentDisk + 1);
        return true;
    }
    return label == spanVolumeLabel(currentDisk + 1);
}

bool VolumeDrive::numberedVolumes(UINT driveType) const {
    if (isFixedOrNetwork(driveType)) return true;
    // A CD, a USB stick or a RAM disk holding the numbered files of a set:
    // its label is its own, not that of a disk of a set.
    return volumeNumberOfFile(inFileName) >= 0 && volumeNumberFromLabel(label) == 0;
}

void VolumeDrive::getNewDisk(int volume) {
    if (operation_.failed()) return;
    inFile.reset();
    currentDisk = volume;
    // Numbered volume files are taken wherever they are, whatever kind of
    // drive holds them; only a set of disks is asked for disk by disk.
    if (volumeNumberOfFile(inFileName) >= 0 &&
        numberedVolumes(fixedType != 0 ? fixedType : ::GetDriveTypeA(root.c_str()))) {
        const std::string numbered = withVolumeNumber(inFileName, volume + 1);
        processMessages();
        if (win32::fileExists(numbered)) {
            inFileName = numbered;
            inFile = openInputFile(inFileName);
            if (inFile) return;
        }
    }
    for (;;) {
        UINT type = 0;
        do {
            newDiskNeeded = true;
            type = checkForDisk();
            if (operation_.failed()) return;
        } while (!isRightDisk(type));
        if (operation_.failed()) return;
        inFile = openInputFile(inFileName);
        if (inFile) return;
        if (isFixedOrNetwork(type)) {
            operation_.fail(EArchiveBuilder(msg::InputMissing, true));
            return;
        }
        operation_.owner().ShowArchiveMessage(msg::InputMissing);
    }
}

bool VolumeDrive::checkIfLastDisk(ZipEndOfCentral& end, bool raiseErrors) {
    comment.clear();
    endOfCentralOffset = 0;
    searched = true;
    inFile = openInputFile(inFileName);
    opened = inFile != nullptr;
    if (!inFile) {
        if (raiseErrors) return operation_.fail(EArchiveBuilder(msg::InputMissing, true));
        operation_.owner().ShowArchiveMessage(msg::CannotOpen);
        return false;
    }
    endSearch = EndRecordSearch{};
    endSearch.labelVolume = volumeNumberFromLabel(label);
    ReadError error = findEndRecord(*inFile, endSearch);
    if (endSearch.spanMarker) spanMarkerSeen = true;
    fileSize = endSearch.fileSize;
    archiveEnd = endSearch.archiveEnd;
    if (error) return raiseErrors ? operation_.fail(EArchiveBuilder::FromReadError(error)) : false;
    endOfCentralOffset = endSearch.endOfCentralOffset;
    if (endSearch.trailingGarbage) operation_.owner().ShowArchiveMessage(msg::GarbageWarning);
    comment = endSearch.comment;
    end = endSearch.end;
    return true;
}

bool VolumeDrive::findLastDisk(ZipEndOfCentral& end) {
    for (;;) {
        endSearch = EndRecordSearch{};
        if (checkIfLastDisk(end, true)) return true;
        const bool partOfSet = endSearch.spanMarker || endSearch.labelVolume > 0;
        if (!partOfSet || numberedVolumes(::GetDriveTypeA(root.c_str()))) return false;
        operation_.forgetFailure();
        currentDisk = -1;
        newDiskNeeded = true;
        checkForDisk();
        if (operation_.failed()) return false;
    }
}

}  // namespace tavrix::archive
