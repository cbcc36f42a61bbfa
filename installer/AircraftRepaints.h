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

#include "installer/CfgSections.h"

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

using RepaintAddition = cfg::Addition<ListedRepaint>;

namespace repaint_detail {

inline bool hasTexture(const cfg::File& file, const cfg::Section& section, std::string_view texture) {
    const auto value = file.value(section, "texture");
    return value && cfg::sameLetters(*value, texture);
}

}  // namespace repaint_detail

// aircraft.cfg's text with the repaint added as the lowest free [fltsim.N]:
// the simulator reads the sections from 0 up and stops at the first number
// missing, so a gap is filled before the list grows.
inline TextResult<RepaintAddition> addRepaint(std::string_view text, const Repaint& repaint) {
    std::string fault = cfg::valueFault("The repaint's title", repaint.title);
    if (fault.empty()) fault = cfg::valueFault("The repaint's texture", repaint.texture);
    if (fault.empty() && repaint.texture.find_first_of("\\/:*?\"<>|") != std::string::npos)
        fault = "The repaint's texture is not a folder name";
    if (!fault.empty()) return TextFailure{cfg::joined({fault, "; aircraft.cfg was left as it was."})};
    TextResult<cfg::Listing> liveries = cfg::readListing(text, kAircraftFileName, "fltsim");
    if (!liveries) return TextFailure{liveries.failure()};
    const cfg::File& file = liveries->file;

    const cfg::NumberedSection* base = nullptr;
    for (const cfg::NumberedSection& s : liveries->numbered) {
        if (repaint_detail::hasTexture(file, file.sections[s.section], repaint.texture))
            return RepaintAddition{std::string(text), ListedRepaint{s.name.number, 0, repaint.texture}, true};
        if (s.name.number == repaint.basedOn) base = &s;
    }
    if (!base)
        return cfg::refused(kAircraftFileName, cfg::joined({"has no [fltsim.", zeroPadded(repaint.basedOn),
                                                            "] to base the repaint on"}));
    unsigned number = 0;
    while (std::any_of(liveries->numbered.begin(), liveries->numbered.end(),
                       [&](const cfg::NumberedSection& s) { return s.name.number == number; }))
        ++number;

    // The base section key for key, with the repaint's title and texture.
    const cfg::Section& model = file.sections[base->section];
    std::vector<std::string> lines{
        cfg::joined({"[", base->name.prefix, zeroPadded(number, cfg::paddedWidth(liveries->numbered)), "]"})};
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
        lines.push_back(cfg::joined({keyLine->indent, keyLine->key, keyLine->separator, value}));
    }
    if (!textureWritten) lines.push_back(cfg::joined({"texture", separator, repaint.texture}));

    const std::size_t last = liveries->numbered.back().section;
    TextResult<cfg::Insertion> insertion = cfg::insertLines(file, last, file.lineEnd(model.header), lines);
    if (!insertion) return TextFailure{insertion.failure()};
    return RepaintAddition{std::move(insertion->text),
                           ListedRepaint{number, insertion->leadIn, repaint.texture}, false};
}

// aircraft.cfg's text without the section a repaint added: the [fltsim.N]
// with its texture (the one under its number when there are several),
// wherever it is now. Every other section keeps its number and its bytes.
inline TextResult<cfg::Removal> removeRepaint(std::string_view text, const ListedRepaint& listed) {
    return cfg::removeAdded(text, kAircraftFileName, "fltsim", listed.number, listed.leadIn,
                            [&](const cfg::File& file, const cfg::Section& section) {
                                return repaint_detail::hasTexture(file, section, listed.texture);
                            });
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
