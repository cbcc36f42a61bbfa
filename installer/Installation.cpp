#include "installer/Installation.h"

#include <windows.h>

#include <algorithm>

#include "common/win32/FileBytes.h"
#include "common/win32/PathExists.h"
#include "common/win32/ProgramPath.h"
#include "installer/SkinnedForm.h"
#include "installer/TextFile.h"
#include "installer/Uninstall.h"

namespace tavrix::installer {

namespace {

constexpr const char* kInformationFile = "Ostrel.txt";
// The older version's own files while the new version is written; gone once
// the installation is complete, back in place when it is cancelled.
constexpr const char* kPreviousFolder = "Previous";

template <typename List, typename Name>
bool holds(const List& list, const Name& name) {
    return std::find(list.begin(), list.end(), name) != list.end();
}

bool holdsFile(const std::vector<RecordedFile>& files, const std::string& name) {
    return std::any_of(files.begin(), files.end(),
                       [&](const RecordedFile& file) { return file.name == name; });
}

// A list of files, each added or put in place of the one of its name,
// through an index of the names: a search of the list for every file made
// an add-on of tens of thousands of files wait seconds before its first.
class FileListEdit {
public:
    explicit FileListEdit(std::vector<RecordedFile>& files) : files_(files) {
        for (std::size_t n = 0; n < files_.size(); ++n) positions_.try_emplace(files_[n].name, n);
    }
    void put(const RecordedFile& file) {
        const auto [position, added] = positions_.try_emplace(file.name, files_.size());
        if (added)
            files_.push_back(file);
        else
            files_[position->second] = file;
    }
    void put(const std::vector<RecordedFile>& files) {
        for (const RecordedFile& file : files) put(file);
    }

private:
    std::vector<RecordedFile>& files_;
    NameIndex positions_;
};

// Appends the names a list lacks, in their order.
void addMissing(std::vector<std::string>& list, const std::vector<std::string>& names) {
    NameIndex present;
    for (const std::string& name : list) present.try_emplace(name, 0);
    for (const std::string& name : names)
        if (present.try_emplace(name, 0).second) list.push_back(name);
}

// The uninstaller: the running program and its skin, beside the record.
const char* const kUninstallerFiles[] = {package::kInstallerProgramName, kSkinLibraryName};

// The file a loaded module came from (the skin the windows use, wherever the
// system found it).
std::string moduleFile(const char* name) {
    const HMODULE module = ::GetModuleHandleA(name);
    char path[MAX_PATH + 1] = {};
    const DWORD length = module ? ::GetModuleFileNameA(module, path, MAX_PATH) : 0;
    return length > 0 && length < MAX_PATH ? std::string(path, length) : std::string(name);
}

// The version a file carries; none when it cannot be read or has none.
std::optional<FileVersion> fileVersionOf(const std::string& path) {
    const std::optional<std::string> bytes = win32::readFileBytes(path);
    if (!bytes) return std::nullopt;
    return peFileVersion({reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
}

std::vector<std::string> namesOf(const std::vector<RecordedFile>& files) {
    std::vector<std::string> names;
    for (const RecordedFile& file : files) names.push_back(file.name);
    return names;
}

}  // namespace

void Installation::keepUninstaller() {
    // Read while they are there: from floppy disks, the first disk, which
    // holds them, is out of the drive by the time the record is written. (The
    // system has just read both files to start the program: they come from
    // its cache.)
    const std::string files[] = {win32::programPath(), moduleFile(kSkinLibraryName)};
    for (int n = 0; n < 2; ++n) uninstaller_[n] = win32::readFileBytes(files[n]).value_or(std::string());
}

void Installation::chooseDestination(std::string folder, int madeFolders) {
    destination_ = std::move(folder);
    madeFolders_ = madeFolders;
}

void Installation::plan(const std::string& title, const std::vector<PackageEntry>& entries) {
    title_ = title;
    plan_ = planInstallation(entries, probeOf(destination_));
    previous_.reset();
    const std::string own = recordFolderPath(destination_, title_);
    if (win32::fileExists(pathBelow(own, kRecordFileName)))
        if (TextResult<InstallRecord> previous = loadRecord(own)) previous_ = std::move(*previous);
    inTheWay_.clear();
    ownOlder_.clear();
    newerKept_.clear();
    // The older version's own file, as it installed it; one the pilot has
    // changed since is the pilot's, and asked about as any other.
    NameIndex ownFiles;  // by name, their place in the older record
    if (previous_)
        for (std::size_t n = 0; n < previous_->files.size(); ++n)
            ownFiles.try_emplace(previous_->files[n].name, n);
    auto ownUnchanged = [&](const std::string& name) {
        const auto own = ownFiles.find(name);
        return own != ownFiles.end() &&
               sameAsRecorded(pathBelow(destination_, name), previous_->files[own->second]);
    };
    for (const RecordedFile& file : plan_.existing)
        (ownUnchanged(file.name) ? ownOlder_ : inTheWay_).push_back(file);
}

std::vector<std::string> Installation::versionedInTheWay() const {
    std::vector<std::string> names;
    for (const RecordedFile& file : inTheWay_)
        if (isVersionedName(file.name)) names.push_back(file.name);
    return names;
}

void Installation::keepNewerCopies(const std::string& packageCopies) {
    std::vector<RecordedFile> replaceable;
    for (const RecordedFile& file : inTheWay_) {
        std::optional<FileVersion> there, package;
        if (isVersionedName(file.name)) {
            there = fileVersionOf(pathBelow(destination_, file.name));
            package = fileVersionOf(pathBelow(packageCopies, file.name));
        }
        if (keepsNewerCopy(there, package))
            newerKept_.push_back({file.name, *there, *package});
        else
            replaceable.push_back(file);
    }
    inTheWay_ = std::move(replaceable);
}

std::uint64_t Installation::bytesToWrite(bool replacing) const {
    std::uint64_t total = plan_.bytesToWrite(false);
    for (const RecordedFile& file : ownOlder_) total += file.size;
    if (replacing)
        for (const RecordedFile& file : inTheWay_) total += file.size;
    return total;
}

std::string Installation::previousFolder() const {
    return pathBelow(recordFolderPath(destination_, title_), kPreviousFolder);
}

TextResult<> Installation::begin(bool replacing) {
    replacing_ = replacing;
    replacedNow_.clear();
    if (replacing_)
        for (const RecordedFile& file : inTheWay_) replacedNow_.push_back(file.name);
    // Always rewritten: an information file that is not the older version's
    // own is kept aside, as a replaced file is.
    const bool ownInformation = previous_ && holdsFile(previous_->files, kInformationFile);
    informationMoved_ = !ownInformation && !holds(replacedNow_, std::string(kInformationFile)) &&
                        win32::fileExists(pathBelow(destination_, kInformationFile));
    if (informationMoved_) replacedNow_.push_back(kInformationFile);

    record_ = previous_.value_or(InstallRecord{});
    record_.title = title_;
    record_.complete = false;
    if (!previous_) record_.createdDestinationLevels = madeFolders_;
    addMissing(record_.folders, plan_.folders);
    FileListEdit files(record_.files);
    files.put(plan_.newFiles);
    files.put(ownOlder_);
    if (replacing_) files.put(inTheWay_);
    addMissing(record_.replaced, replacedNow_);

    // The record first, then the moves it describes.
    if (TextResult<> saved = saveRecord(destination_, record_); !saved) {
        // Nothing was moved: the files in the way are still the pilot's, in
        // place, and must not be taken for this run's.
        replacedNow_.clear();
        abandon();
        return saved;
    }
    const std::string own = recordFolderPath(destination_, title_);
    const std::string replaced = pathBelow(own, kReplacedFolder);
    TextResult<> moved = Done{};
    for (int n = 0; n < 2 && moved; ++n) {
        const std::string target = pathBelow(own, kUninstallerFiles[n]);
        moved = uninstaller_[n].empty() ? TextResult<>(TextFailure{"Cannot create file " + target})
                                        : saveTextFile(target, uninstaller_[n]);
    }
    // Nothing was moved yet: the files in the way are still the pilot's.
    if (!moved) replacedNow_.clear();
    if (moved && !replacedNow_.empty()) {
        moved = makeFoldersBelow(own, kReplacedFolder)
                    ? moveFiles(destination_, replaced, replacedNow_)
                    : TextResult<>(TextFailure{"Unable to create directory " + replaced});
        if (!moved) replacedNow_.clear();  // nothing of them moved
    }
    if (moved && !ownOlder_.empty()) {
        moved = makeFoldersBelow(own, kPreviousFolder)
                    ? moveFiles(destination_, previousFolder(), namesOf(ownOlder_))
                    : TextResult<>(TextFailure{"Unable to create directory " + previousFolder()});
    }
    if (!moved) {
        abandon();
        return moved;
    }
    begun_ = true;
    return Done{};
}

TextResult<> Installation::complete(bool informationWritten) {
    if (!begun_) return Done{};
    if (!ownOlder_.empty()) {
        const std::string previous = previousFolder();
        for (const RecordedFile& file : ownOlder_) ::DeleteFileA(pathBelow(previous, file.name).c_str());
        removeFoldersOf(previous, namesOf(ownOlder_));
        ownOlder_.clear();
    }
    // The older version's files that the new one lacks go when unchanged;
    // either way the add-on no longer claims them.
    if (previous_) {
        NameIndex planned;
        for (const std::string& name : plan_.files) planned.try_emplace(name, 0);
        std::vector<RecordedFile> kept;
        for (const RecordedFile& file : record_.files) {
            const bool dropped = file.name != kInformationFile && !planned.contains(file.name);
            if (!dropped) {
                kept.push_back(file);
                continue;
            }
            const std::string path = pathBelow(destination_, file.name);
            if (sameAsRecorded(path, file)) ::DeleteFileA(path.c_str());
        }
        record_.files = std::move(kept);
    }
    if (informationWritten)
        if (std::optional<RecordedFile> information = recordedFileOf(destination_, kInformationFile))
            FileListEdit(record_.files).put(*information);
    record_.complete = true;
    return saveRecord(destination_, record_);
}

InstallRecord Installation::thisRun() const {
    InstallRecord run;
    run.title = title_;
    run.createdDestinationLevels = previous_ ? 0 : madeFolders_;
    run.folders = plan_.folders;
    run.files = plan_.newFiles;
    for (const RecordedFile& file : ownOlder_) run.files.push_back(file);
    for (const std::string& name : replacedNow_) run.files.push_back({name, 0, 0});
    run.replaced = replacedNow_;
    return run;
}

void Installation::abandon() {
    // None of the older version's files was moved (a failed move puts back
    // those it had moved): they stay where they are.
    std::vector<RecordedFile> older;
    older.swap(ownOlder_);
    cancel();
    ownOlder_ = std::move(older);
}

void Installation::cancel() {
    // The engine left the destination as the current folder, and a current
    // folder cannot be removed.
    const std::string program = win32::programPath();
    ::SetCurrentDirectoryA(program.substr(0, program.find_last_of('\\') + 1).c_str());
    const InstallRecord run = thisRun();
    // An update keeps the uninstaller the older version's record goes with.
    if (!previous_)
        for (const char* name : kUninstallerFiles)
            ::DeleteFileA(pathBelow(recordFolderPath(destination_, title_), name).c_str());
    takeAway(destination_, run, false);
    if (!ownOlder_.empty()) {
        (void)moveFiles(previousFolder(), destination_, namesOf(ownOlder_));
        removeFoldersOf(previousFolder(), namesOf(ownOlder_));
    }
    if (previous_) (void)saveRecord(destination_, *previous_);
    begun_ = false;
}

Installation& currentInstallation() {
    static Installation installation;
    return installation;
}

}  // namespace tavrix::installer
