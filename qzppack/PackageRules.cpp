#include "qzppack/PackageRules.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "common/package/FolderProposal.h"
#include "common/zip/SafeName.h"

namespace tavrix::qzppack {
namespace {

// Values longer than this are cut by the installer's profile reads.
constexpr std::size_t kLongestValue = 2047;

struct KnownKey {
    std::string_view section;
    std::string_view key;
};
constexpr std::array<KnownKey, 18> kKnownKeys{{
    {"Splash", "Filename"},
    {"Addon", "Condition"},
    {"Addon", "Type"},
    {"Title", "hl"},
    {"Flightsim", "Version"},
    {"Authors", "1"},
    {"Authors", "2"},
    {"Authors", "3"},
    {"Authors", "4"},
    {"Authors", "5"},
    {"Authors", "6"},
    // What the installer adds to the simulator's lists.
    {"Scenery", "Title"},
    {"Scenery", "Folder"},
    {"Scenery", "Layer"},
    {"Repaint", "Title"},
    {"Repaint", "Aircraft"},
    {"Repaint", "Texture"},
    {"Repaint", "Base"},
}};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

// Letters and digits only, in lower case: "Flight Simulator 2000" and
// "flightsimulator2000" come out alike.
std::string folded(std::string_view text) {
    std::string result;
    for (const char c : text)
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) result += lower(c);
    return result;
}

// Edits (insert, delete, replace) between two names, letter case ignored.
std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min(
                {row[j] + 1, row[j - 1] + 1, diagonal + (lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

bool isKnownSection(std::string_view section) {
    return std::any_of(kKnownKeys.begin(), kKnownKeys.end(),
                       [&](const KnownKey& k) { return sameIgnoringCase(k.section, section); });
}

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string keyName(std::string_view section, std::string_view key) {
    return "[" + std::string(section) + "] " + std::string(key);
}

// The fix for a section or key the installer never reads: the known one it
// most likely means.
std::string fixForUnread(const DescriptionKey& entry) {
    if (!isKnownSection(entry.section)) {
        for (const KnownKey& known : kKnownKeys)
            if (editDistance(known.section, entry.section) <= 2)
                return "name the section [" + std::string(known.section) + "]";
    }
    for (const KnownKey& known : kKnownKeys)
        if (sameIgnoringCase(known.key, entry.key))
            return "put " + std::string(known.key) + " in [" + std::string(known.section) + "]";
    for (const KnownKey& known : kKnownKeys)
        if (known.key.size() > 2 && editDistance(known.key, entry.key) <= 2)
            return "write " + keyName(known.section, known.key);
    if (sameIgnoringCase(entry.section, "Authors"))
        return "the installer reads three authors only, keys 1 to 6: remove it";
    return "remove it; the installer reads only the keys docs/MAKERS.md lists";
}

void checkVersion(const std::string& version, std::vector<Finding>& findings) {
    const std::string both = "write Version=" + std::string(package::kFlightSimulator2000) +
                             " or Version=" + package::kFlightSimulator98 + ", exactly so";
    if (version.empty()) {
        findings.push_back({"[Flightsim] Version is missing: the installer proposes no folder", both});
        return;
    }
    if (version == package::kFlightSimulator2000 || version == package::kFlightSimulator98) return;
    for (const char* exact : {package::kFlightSimulator2000, package::kFlightSimulator98}) {
        if (folded(version) == folded(exact)) {
            findings.push_back({"[Flightsim] Version " + quoted(version) + " differs from " + quoted(exact) +
                                    " in letter case or spaces: the installer proposes no folder",
                                "write Version=" + std::string(exact)});
            return;
        }
    }
    const bool says2000 = version.find("2000") != std::string::npos;
    const bool says98 = version.find("98") != std::string::npos;
    findings.push_back({"[Flightsim] Version " + quoted(version) +
                            " names no simulator the installer knows: it proposes no folder",
                        says2000 != says98
                            ? "write Version=" + std::string(says2000 ? package::kFlightSimulator2000
                                                                      : package::kFlightSimulator98)
                            : both});
}

void checkType(const std::string& type, std::vector<Finding>& findings) {
    if (type.empty()) {
        findings.push_back(
            {"[Addon] Type is missing: the proposed folder has an empty name between the "
             "simulator's folder and the title",
             "write Type= the simulator's sub-folder for the add-on (Aircraft, Gauges, Scenery, "
             "...) or Scenery MD for the simulator's own folder"});
        return;
    }
    if (type == package::kSceneryType) return;
    if (sameIgnoringCase(type, package::kSceneryType) || folded(type) == folded(package::kSceneryType)) {
        findings.push_back({"[Addon] Type " + quoted(type) + " is not " + quoted(package::kSceneryType) +
                                ": the add-on goes to a folder of that name, not the simulator's own",
                            "write Type=" + std::string(package::kSceneryType)});
        return;
    }
    if (const auto fault = folderNameFault(type))
        findings.push_back({"[Addon] Type " + quoted(type) + " cannot be a folder's name: " + *fault,
                            "write the name of one folder below the simulator's, such as Aircraft"});
}

void checkTitle(const std::string& title, std::vector<Finding>& findings) {
    if (title.empty()) {
        findings.push_back(
            {"[Title] hl is missing: the pages show no title and the proposed folder ends "
             "in an empty name",
             "write hl= the add-on's name, as its folder is to be called"});
        return;
    }
    if (const auto fault = folderNameFault(title))
        findings.push_back({"[Title] hl " + quoted(title) + " cannot be a folder's name: " + *fault,
                            "leave out \\ / : * ? \" < > | and end the title with a letter or a digit"});
}

void checkSplashName(const std::string& name, std::vector<Finding>& findings) {
    if (name.empty()) return;
    if (name.find(':') != std::string::npos || name[0] == '\\' || name[0] == '/') {
        findings.push_back({"[Splash] Filename " + quoted(name) +
                                " is a full path: the installer puts the package folder in front of it",
                            "write the picture's name alone and put the picture in the package folder"});
        return;
    }
    const std::size_t dot = name.find_last_of(".\\/");
    const std::string extension = dot != std::string::npos && name[dot] == '.' ? name.substr(dot + 1) : "";
    constexpr std::array<std::string_view, 4> kPictureKinds{"bmp", "ico", "emf", "wmf"};
    const bool known = std::any_of(kPictureKinds.begin(), kPictureKinds.end(),
                                   [&](std::string_view kind) { return sameIgnoringCase(extension, kind); });
    if (!known)
        findings.push_back(
            {"[Splash] Filename " + quoted(name) +
                 " is no picture the installer shows (its extension must be bmp, ico, emf or wmf)",
             "save the splash as a bitmap (.bmp)"});
}

void checkAuthors(const std::string (&authors)[6], std::vector<Finding>& findings) {
    for (int author = 0; author < 3; ++author) {
        const std::string& address = authors[author * 2];
        const std::string& name = authors[author * 2 + 1];
        const std::string addressKey = "[Authors] " + std::to_string(author * 2 + 1);
        const std::string nameKey = "[Authors] " + std::to_string(author * 2 + 2);
        if (!name.empty() && address.empty())
            findings.push_back({nameKey + " names an author without an address in " + addressKey +
                                    ": the authors page shows the name with no address to write to",
                                "write the author's e-mail address in " + addressKey});
        if (address.empty()) continue;
        if (name.empty())
            findings.push_back({addressKey + " has an address without a name in " + nameKey +
                                    ": the authors page shows the address without a name",
                                "write the author's name in " + nameKey});
        if (sameIgnoringCase(address.substr(0, 7), "mailto:"))
            findings.push_back({addressKey + " " + quoted(address) +
                                    " starts with MailTo:, which the installer "
                                    "puts in front itself",
                                "write the address alone"});
        else if (address.find('@') == std::string::npos || address.find(' ') != std::string::npos)
            findings.push_back({addressKey + " " + quoted(address) + " is not an e-mail address",
                                "write an address such as name@example.com (odd keys hold addresses, even "
                                "keys names)"});
    }
}

}  // namespace

DescriptionValues descriptionValues(const std::vector<DescriptionKey>& keys) {
    auto value = [&](std::string_view section, std::string_view key) {
        for (const DescriptionKey& entry : keys)
            if (sameIgnoringCase(entry.section, section) && sameIgnoringCase(entry.key, key))
                return entry.value;
        return std::string();
    };
    DescriptionValues values;
    values.splashFile = value("Splash", "Filename");
    values.condition = value("Addon", "Condition");
    values.type = value("Addon", "Type");
    values.title = value("Title", "hl");
    values.version = value("Flightsim", "Version");
    for (int key = 0; key < 6; ++key) values.authors[key] = value("Authors", std::to_string(key + 1));
    return values;
}

std::vector<Finding> checkDescription(const std::vector<DescriptionKey>& keys, const std::string& fileBytes) {
    std::vector<Finding> findings;
    if (fileBytes.starts_with("\xEF\xBB\xBF"))
        findings.push_back({"Ostrel.ini starts with a UTF-8 byte-order mark: its first section is not read",
                            "save it as plain ANSI text, without a byte-order mark"});
    else if (fileBytes.starts_with("\xFF\xFE") || fileBytes.starts_with("\xFE\xFF"))
        findings.push_back({"Ostrel.ini is saved as UTF-16", "save it as plain ANSI text"});

    for (const DescriptionKey& entry : keys) {
        const bool read = std::any_of(kKnownKeys.begin(), kKnownKeys.end(), [&](const KnownKey& k) {
            return sameIgnoringCase(k.section, entry.section) && sameIgnoringCase(k.key, entry.key);
        });
        if (!read)
            findings.push_back(
                {keyName(entry.section, entry.key) + " is never read by the installer", fixForUnread(entry)});
        else if (entry.value.size() > kLongestValue)
            findings.push_back(
                {keyName(entry.section, entry.key) + " is " + std::to_string(entry.value.size()) +
                     " characters long: the installer reads the first " + std::to_string(kLongestValue),
                 "shorten it"});
    }
    const DescriptionValues values = descriptionValues(keys);
    checkSplashName(values.splashFile, findings);
    checkType(values.type, findings);
    checkTitle(values.title, findings);
    checkVersion(values.version, findings);
    checkAuthors(values.authors, findings);
    return findings;
}

std::optional<std::string> folderNameFault(const std::string& name) {
    if (name.empty()) return "it is empty";
    if (name.find_first_of("\\/") != std::string::npos) return "a \\ or / makes it several folders";
    if (name == "." || name == "..") return "it names a folder that already is";
    if (name.front() == ' ') return "it starts with a space";
    if (zip::isInvalidComponent(name)) {
        if (name.back() == '.' || name.back() == ' ') return "Windows drops a dot or space at its end";
        for (const char c : name)
            if (static_cast<unsigned char>(c) < 32 ||
                std::string_view(":*?\"<>|").find(c) != std::string_view::npos)
                return std::string("Windows does not allow ") +
                       (static_cast<unsigned char>(c) < 32 ? std::string("control characters")
                                                           : "\"" + std::string(1, c) + "\"") +
                       " in a name";
        if (name.size() > 255) return "it is longer than 255 characters";
        return "Windows keeps it for a device";
    }
    return std::nullopt;
}

std::optional<int> firstMissingVolume(const std::vector<int>& present) {
    int expected = 1;
    for (const int volume : present) {
        if (volume != expected) return expected;
        ++expected;
    }
    return std::nullopt;
}

std::uint64_t bytesOnFloppy(std::uint64_t size) {
    return (size + kFloppyCluster - 1) / kFloppyCluster * kFloppyCluster;
}

std::string groupedNumber(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

}  // namespace tavrix::qzppack
