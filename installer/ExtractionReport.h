// What the installation page tells the user when the engine could not write
// every file of the package. No Windows here: tested natively too.
#pragma once

#include <string>
#include <vector>

#include "installer/FileVersion.h"

namespace tavrix::installer {

// The engine's code for a file it left alone because it already existed
// (reported with Verbose on, overwriting off). Such a file is not broken:
// the one already in the folder was kept.
inline constexpr int kFileKeptEngineCode = 32;

struct ExtractionOutcome {
    int failedFiles = 0;
    int keptFiles = 0;
    std::string lastFailure;  // the engine's last message about a failed file
};

namespace detail {
inline std::string countOfFiles(int count) {
    return std::to_string(count) + (count == 1 ? " file" : " files");
}
}  // namespace detail

// The text of the warning; empty when every file was written.
inline std::string extractionProblemsText(const ExtractionOutcome& outcome) {
    if (outcome.failedFiles <= 0 && outcome.keptFiles <= 0) return {};
    std::string text = "The installation has finished, but not every file of the package was written.";
    if (outcome.failedFiles > 0) {
        text += "\n\n" + detail::countOfFiles(outcome.failedFiles) + " could not be installed.";
        if (!outcome.lastFailure.empty()) text += " The last message was:\n" + outcome.lastFailure;
    }
    if (outcome.keptFiles > 0) {
        const bool one = outcome.keptFiles == 1;
        text += "\n\n" + detail::countOfFiles(outcome.keptFiles) + (one ? " was" : " were") +
                " already in the destination folder and " + (one ? "was" : "were") +
                " left unchanged; the package's " + (one ? "copy was" : "copies were") + " not written.";
    }
    return text;
}

// A program, library or gauge in the destination newer than the package's
// copy: kept even when the pilot replaces files.
struct NewerCopy {
    std::string name;
    FileVersion there = 0;
    FileVersion package = 0;
};

// The question before the extraction when files of the package are already
// in the destination with other contents; `newer` of them are kept either way.
inline std::string replaceQuestionText(int files, const std::vector<NewerCopy>& newer) {
    std::string kept;
    if (!newer.empty()) kept = "\n\nNewer copies there are kept either way:";
    for (const NewerCopy& copy : newer) {
        // One piece at a time: no temporary for each "+".
        kept += '\n';
        kept += copy.name;
        kept += ": ";
        kept += versionText(copy.there);
        kept += " there, ";
        kept += versionText(copy.package);
        kept += " in this add-on";
    }
    const bool one = files == 1;
    return detail::countOfFiles(files) + " of this add-on " + (one ? "is" : "are") +
           " already in the destination folder with other contents.\n\n"
           "Yes replaces " +
           (one ? "it" : "them") + ": the old " + (one ? "copy is" : "copies are") +
           " kept, and put back if the add-on is uninstalled.\n"
           "No keeps " +
           (one ? "it" : "them") + " and leaves the package's " + (one ? "copy" : "copies") +
           " out.\nCancel goes back to choose another folder." + kept;
}

// The completion page's heading and the sentence under the add-on's title:
// the success text only when every file of the package is in place.
inline constexpr const char* kCompleteHeading = "Installation complete";
inline constexpr const char* kIncompleteHeading = "Installation incomplete";
inline constexpr const char* kInstalledSentence =
    "was installed successfully. Click the Finish button to exit \r\nthis installation.";

inline std::string completionHeading(int missingFiles) {
    return missingFiles > 0 ? kIncompleteHeading : kCompleteHeading;
}

inline std::string completionSentence(int missingFiles) {
    if (missingFiles <= 0) return kInstalledSentence;
    return "was not installed completely: " + detail::countOfFiles(missingFiles) + " of the package " +
           (missingFiles == 1 ? "is" : "are") +
           " missing. Click the Finish button to exit this installation.";
}

// The text when the engine stopped before the end of the batch.
inline std::string extractionFailedText(const std::string& lastMessage) {
    std::string text = "The installation could not be completed.";
    if (!lastMessage.empty()) text += " The last message was:\n" + lastMessage;
    return text;
}

// The component's messages about a spanned set's volumes and disks.
inline bool isSpanningFailure(int lastErrCode) {
    return lastErrCode >= 11001 && lastErrCode <= 11047;
}

}  // namespace tavrix::installer
