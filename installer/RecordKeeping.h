// The installation record on disk, and the work done with it: the files an
// installation finds in its way, the old copies it moves aside, and taking
// an installation away again (a cancelled one, or an uninstall).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/support/TextResult.h"
#include "installer/InstallPlan.h"
#include "installer/InstallRecord.h"

namespace tavrix::installer {

// A name below a folder; the folder may end in "\" (a drive's root).
std::string pathBelow(const std::string& folder, const std::string& name);

// The destination as the plan sees it: folders, and files with their CRC-32
// (read only when the size is the one expected).
DestinationProbe probeOf(const std::string& destination);

// Where the record of an add-on lives: <destination>\Uninstall\<title>.
std::string recordFolderPath(const std::string& destination, const std::string& title);

// Writes the record anew, whole or not at all, making its folder first.
TextResult<> saveRecord(const std::string& destination, const InstallRecord& record);
// Reads the record in a record folder; a damaged or cut record is refused.
TextResult<InstallRecord> loadRecord(const std::string& recordFolder);

// Moves the named files from one folder to the same names below another,
// making the folders they need. On a failure every file moved so far goes
// back, and the failure names the file.
TextResult<> moveFiles(const std::string& from, const std::string& to, const std::vector<std::string>& names);

// Removes a folder below `base`, then each parent up to `base`, while each
// is empty.
void removeEmptyFoldersUp(const std::string& base, std::string name);

// Makes a folder and its missing parents below `base` (which exists).
bool makeFoldersBelow(const std::string& base, const std::string& name);

// Removes, while each is empty, the folders that held the named files below
// `base`, then `base` itself: what is left of a folder files were moved out of.
void removeFoldersOf(const std::string& base, const std::vector<std::string>& names);

// The folder part of a name ("" for a name in the top folder).
std::string folderOf(const std::string& name);

// Whether a file still has the size and CRC-32 the record gives.
bool sameAsRecorded(const std::string& path, const RecordedFile& file);
// The size and CRC-32 of a file, for the record; none when it cannot be read.
std::optional<RecordedFile> recordedFileOf(const std::string& destination, const std::string& name);

// The system's folder for temporary files, with its trailing backslash.
std::string temporaryFolder();

// Takes the sections an installation added out of the simulator's lists,
// each found by its contents wherever it is now, and drops the lists' old
// texts kept in the record's folder. Names each list it could not change.
void unregisterAddOn(const InstallRecord& record, const std::string& recordFolder,
                     std::vector<std::string>& kept);

// Takes an installation away: its files (with onlyUnchanged, only those whose
// size and CRC-32 still match the record), the old copies put back, the
// folders it made (when empty), the record and its folders. Names the files
// it left because they had changed, or because an old copy could not go back.
struct TakenAway {
    std::vector<std::string> keptFiles;
};
// After each recorded file, progress (when given) is told how many are done.
struct RemovalProgress {
    virtual void filesDone(std::size_t count) = 0;

protected:
    ~RemovalProgress() = default;
};
TakenAway takeAway(const std::string& destination, const InstallRecord& record, bool onlyUnchanged,
                   RemovalProgress* progress = nullptr);

}  // namespace tavrix::installer
