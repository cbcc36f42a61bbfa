// One run of the wizard's installation, the state the pages share: the
// destination the user chose, the package's listing and what it will do to
// the destination, the record that says so, and how the extraction ended.
//
// The record is on disk before the first file is touched, and again at the
// end, so that whatever stops the program midway leaves a record that an
// uninstall can go by. Installing a package into a destination that holds
// its title's record is an update: the old version's files are taken over
// (the pilot's files the first installation kept aside stay kept).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/support/TextResult.h"
#include "installer/ExtractionReport.h"
#include "installer/InstallPlan.h"
#include "installer/InstallRecord.h"
#include "installer/PackageRegistration.h"
#include "installer/RecordKeeping.h"

namespace tavrix::installer {

class Installation {
public:
    // Keeps the program's and the skin's bytes, which every installation
    // copies beside its record as the add-on's uninstaller.
    void keepUninstaller();

    // The destination page: the folder, and how many folders (it and its
    // parents) it made for it.
    void chooseDestination(std::string folder, int madeFolders);
    const std::string& destination() const { return destination_; }

    // Works out what installing the listing does; reads the title's record
    // when the destination has one. Nothing is written.
    void plan(const std::string& title, const std::vector<PackageEntry>& entries);
    // Files of the package already in the destination with other contents,
    // not counting the older version's own.
    int filesInTheWay() const { return static_cast<int>(inTheWay_.size() + newerKept_.size()); }
    // Programs, libraries and gauges among them: the package's copies of
    // these are unpacked below a folder of their own, and each copy there
    // that is newer than the package's is kept even when files are replaced.
    std::vector<std::string> versionedInTheWay() const;
    void keepNewerCopies(const std::string& packageCopies);
    const std::vector<NewerCopy>& newerKept() const { return newerKept_; }
    // Files of the package already there with its contents: the engine
    // keeps them, and nothing is lost.
    int sameFiles() const { return plan_.sameFiles; }
    // Bytes the engine will write, with the files in the way replaced or kept.
    std::uint64_t bytesToWrite(bool replacing) const;

    // Writes the record and moves aside what is in the way: with
    // replacing, the pilot's files the package would otherwise leave
    // (kept in the record's folder); always, the older version's own files
    // and an information file already there. On a failure nothing is left
    // changed.
    TextResult<> begin(bool replacing);
    // After the extraction, and again once the information file is written:
    // the older version's leftovers go, and the record says what is there.
    TextResult<> complete(bool informationWritten);
    // A cancelled installation: takes back everything it did, so that the
    // destination is as it was (the old record back for an update).
    void cancel();

    // With the files in place: adds the package's scenery area or repaint
    // to the simulator's lists (below `simulatorFolder`, the registry's,
    // when the destination lies in it, else the destination or a parent
    // that holds the list), the VirtualStore copy too, and records it.
    void registerAddOn(const Registration& registration, const std::string& simulatorFolder);
    // The completion page's line: what was registered, or what the pilot
    // must add by hand.
    const std::string& registered() const { return registered_; }

    bool begun() const { return begun_; }
    const InstallRecord& record() const { return record_; }

private:
    // The record of everything this run adds, for a cancel.
    InstallRecord thisRun() const;
    std::string previousFolder() const;
    // Takes back a begin that failed.
    void abandon();
    // Adds a section to a list and to its VirtualStore copy, keeping each
    // file's old text and recording the section added to each; the failure
    // that left one unchanged, "" when none.
    struct ListEdit {
        std::string text;
        std::string listed;  // the section, as the record names it
        bool alreadyListed = false;
    };
    using AddSection = TextResult<ListEdit> (*)(std::string_view text, const void* section);
    std::string addToList(const std::string& path, AddSection add, const void* section);
    template <typename Section, auto add, auto listedText>
    static TextResult<ListEdit> addSection(std::string_view text, const void* section);

    std::string destination_;
    int madeFolders_ = 0;
    std::string title_;
    InstallPlan plan_;
    std::optional<InstallRecord> previous_;
    std::vector<RecordedFile> inTheWay_;  // the pilot's, or another add-on's
    std::vector<RecordedFile> ownOlder_;  // the older version's, to be written anew
    std::vector<std::string> replacedNow_;
    std::vector<NewerCopy> newerKept_;
    std::string registered_;
    bool replacing_ = false;
    bool informationMoved_ = false;
    bool begun_ = false;
    InstallRecord record_;
    std::string uninstaller_[2];  // the program's bytes and the skin's
};

// The one installation of this run of the program.
Installation& currentInstallation();

}  // namespace tavrix::installer
