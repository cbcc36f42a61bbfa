// Rules of the destination and completion pages that need no Windows calls:
// the folder proposal, the folders Next must create, and the text of the
// information file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/package/FolderProposal.h"

namespace tavrix::installer {

using package::kFlightSimulator2000;
using package::kFlightSimulator98;
using package::kSceneryType;
using package::kSimulator2000Key;
using package::kSimulator98Key;
using package::proposeFolder;
using package::SimulatorPathReader;

// The part of a folder text up to and including its last "\" or ":".
inline std::string parentPart(const std::string& text) {
    const auto separator = text.find_last_of("\\:");
    return separator == std::string::npos ? std::string() : text.substr(0, separator + 1);
}

// The folders to create, outermost first, so that `text` exists afterwards.
// None ("Unable to create directory") for an empty text, and for a relative
// name whose parent would be empty: nothing is created then.
inline std::optional<std::vector<std::string>> foldersToCreate(
    std::string text, const std::function<bool(const std::string&)>& isFolder) {
    if (text.empty()) return std::nullopt;
    std::vector<std::string> missing;
    for (;;) {
        if (!text.empty() && text.back() == '\\') text.pop_back();
        if (text.size() < 3 || isFolder(text)) break;
        std::string parent = parentPart(text);
        if (parent == text) break;
        missing.push_back(text);
        if (parent.empty()) return std::nullopt;
        text = std::move(parent);
    }
    return std::vector<std::string>(missing.rbegin(), missing.rend());
}

struct InformationFile {
    std::string title;
    std::string type;
    std::string names[3];
    std::string mails[3];
};

// Ostrel.txt: 17 lines, each ended by CR LF.
inline std::string informationFileText(const InformationFile& info) {
    std::string text;
    auto line = [&text](const std::string& content) { text += content + "\r\n"; };
    line(info.title);
    line("For more information about this " + info.type + ", please contact:");
    for (int author = 0; author < 3; ++author) {
        line("");
        line(info.names[author]);
        line(info.mails[author]);
    }
    for (int i = 0; i < 4; ++i) line("");
    line(std::string(36, '_'));
    line("Build with Tavrix Builder ver 3.00");
    return text;
}

}  // namespace tavrix::installer
