// An aircraft's list of liveries, its aircraft.cfg: one [fltsim.N] section
// a repaint, naming its title and its texture.NAME folder beside the file.
// A repaint's section is a copy of the section it is based on (the same
// model, panel, sound and the rest, key for key) with its own title and
// texture, added behind the last [fltsim.N]; taking it out again finds it by
// its texture and removes just its lines, renumbering nothing. No Windows
// here: tested natively and fuzzed.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "CfgSections.h"

namespace tavrix::installer {

inline constexpr const char* kAircraftFileName = "aircraft.cfg";

struct Repaint {
    std::string title;
    std::string texture;   // the folder's suffix: "Red" for texture.Red
    unsigned basedOn = 0;  // the [fltsim.N] it copies
};

// What the installation record keeps to take the section out again.
struct ListedRepaint {
    unsigned number = 0;
    unsigned leadIn = 0;  // line ends written before the header
    std::string texture;
};

struct RepaintAddition {
    std::string text;
    ListedRepaint repaint;
    // A section with this texture was there already: the text is the
    // file's own, and `repaint` names that one.
    bool alreadyListed = false;
};

namespace repaint_detail {

struct Liveries {
    cfg::File file;
    std::vector<cfg::NumberedSection> sections;
};
inline TextResult<Liveries> readLiveries(std::string_view text) {
    TextResult<cfg::File> file = cfg::parseFile(text, kAircraftFileName);
    if (!file) return TextFailure{file.failure()};
    TextResult<std::vector<cfg::NumberedSection>> sections =
        cfg::numberedSections(*file, "fltsim", kAircraftFileName);
    if (!sections) return TextFailure{sections.failure()};
    return Liveries{std::move(*file), std::move(*sections)};
}

inline bool hasTexture(const cfg::File& file, const cfg::Section& section, std::string_view texture) {
    const auto value = file.value(section, "texture");
    return value && cfg::sameLetters(*value, texture);
}

}  // namespace repaint_detail

// aircraft.cfg's text with the repaint added as the lowest free [fltsim.N]:
// the simulator reads the sections from 0 up and stops at the first number
// missing, so a gap is filled before the list grows.
inline TextResult<RepaintAddition> addRepaint(std::string_view text, const Repaint& repaint) {
    using namespace repaint_detail;
    std::string fault = cfg::valueFault("The repaint's title", repaint.title);
    if (fault.empty()) fault = cfg::valueFault("The repaint's texture", repaint.texture);
    if (fault.empty() && repaint.texture.find_first_of("\\/:*?\"<>|") != std::string::npos)
        fault = "The repaint's texture is not a folder name";
    if (!fault.empty()) return TextFailure{fault + "; aircraft.cfg was left as it was."};
    TextResult<Liveries> liveries = readLiveries(text);
    if (!liveries) return TextFailure{liveries.failure()};
    const cfg::File& file = liveries->file;

    const cfg::NumberedSection* base = nullptr;
    for (const cfg::NumberedSection& s : liveries->sections) {
        if (hasTexture(file, file.sections[s.section], repaint.texture))
            return RepaintAddition{std::string(text), ListedRepaint{s.name.number, 0, repaint.texture}, true};
        if (s.name.number == repaint.basedOn) base = &s;
    }
    if (!base)
        return TextFailure{"aircraft.cfg has no [fltsim." + zeroPadded(repaint.basedOn) +
                           "] to base the repaint on; it was left as it was."};
    unsigned number = 0;
    while (std::any_of(liveries->sections.begin(), liveries->sections.end(),
                       [&](const cfg::NumberedSection& s) { return s.name.number == number; }))
        ++number;

    // The base section key for key, with the repaint's title and texture.
    const cfg::Section& model = file.sections[base->section];
    std::vector<std::string> lines{"[" + std::string(base->name.prefix) +
                                   zeroPadded(number, cfg::paddedWidth(liveries->sections)) + "]"};
    std::string_view separator = "=";
    bool textureWritten = false;
    for (std::size_t i = model.header + 1; i < model.end; ++i) {
        const auto keyLine = file.keyLine(i);
        if (!keyLine) continue;
        std::string_view value = keyLine->value;
        if (cfg::sameLetters(keyLine->key, "title")) {
            value = repaint.title;
            separator = keyLine->separator;
        } else if (cfg::sameLetters(keyLine->key, "texture")) {
            value = repaint.texture;
            textureWritten = true;
        }
        lines.push_back(std::string(keyLine->indent) + std::string(keyLine->key) +
                        std::string(keyLine->separator) + std::string(value));
    }
    if (!textureWritten) lines.push_back("texture" + std::string(separator) + repaint.texture);

    const std::size_t last = liveries->sections.back().section;
    TextResult<cfg::Insertion> insertion = cfg::insertLines(file, last, file.lineEnd(model.header), lines);
    if (!insertion) return TextFailure{insertion.failure()};
    return RepaintAddition{std::move(insertion->text),
                           ListedRepaint{number, insertion->leadIn, repaint.texture}, false};
}

// aircraft.cfg's text without the section a repaint added: the [fltsim.N]
// with its texture (the one under its number when there are several),
// wherever it is now. Every other section keeps its number and its bytes.
inline TextResult<cfg::Removal> removeRepaint(std::string_view text, const ListedRepaint& listed) {
    using namespace repaint_detail;
    TextResult<Liveries> liveries = readLiveries(text);
    if (!liveries) return TextFailure{liveries.failure()};
    const cfg::File& file = liveries->file;
    const std::optional<std::size_t> found =
        cfg::findAdded(liveries->sections, listed.number,
                       [&](std::size_t s) { return hasTexture(file, file.sections[s], listed.texture); });
    if (!found) return cfg::Removal{std::string(text), false};
    return cfg::Removal{cfg::removeSection(file, file.sections[*found], listed.leadIn), true};
}

// The section as the installation record names it: "number lead-in
// texture", and back; none when the text is not that.
inline std::string listedRepaintText(const ListedRepaint& repaint) {
    return cfg::recordLine({repaint.number, repaint.leadIn}, repaint.texture);
}
inline std::optional<ListedRepaint> parseListedRepaint(std::string_view text) {
    unsigned numbers[2];
    ListedRepaint repaint;
    if (!cfg::readRecordLine(text, numbers, repaint.texture)) return std::nullopt;
    repaint.number = numbers[0];
    repaint.leadIn = numbers[1];
    return repaint;
}

}  // namespace tavrix::installer
