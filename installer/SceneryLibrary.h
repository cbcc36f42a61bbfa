// The simulator's scenery library, scenery.cfg: one [Area.NNN] section a
// scenery add-on, with its title, its folder ("Local", absolute or relative
// to the simulator's folder) and its layer (higher draws on top). Adding an
// area writes it in the file's own style behind the last area; taking it out
// again finds it by its folder and removes just its lines, renumbering
// nothing. No Windows here: tested natively and fuzzed.
#pragma once

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/CfgSections.h"

namespace tavrix::installer {

inline constexpr const char* kSceneryFileName = "scenery.cfg";

// What an add-on asks for.
struct SceneryArea {
    std::string title;
    std::string local;
    std::optional<unsigned> layer;  // none: on top of every other
};

// What the installation record keeps to take the area out again.
struct ListedArea {
    unsigned number = 0;
    unsigned layer = 0;
    unsigned leadIn = 0;  // line ends written before the header
    std::string local;
};

using SceneryAddition = cfg::Addition<ListedArea>;

namespace scenery_detail {

// Two spellings of one folder: letter case, "/" and a closing "\" aside.
inline bool sameFolder(std::string_view a, std::string_view b) {
    for (std::string_view* s : {&a, &b})
        while (!s->empty() && (s->back() == '\\' || s->back() == '/')) s->remove_suffix(1);
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] == '/' ? '\\' : cfg::lowered(a[i]);
        const char y = b[i] == '/' ? '\\' : cfg::lowered(b[i]);
        if (x != y) return false;
    }
    return true;
}

inline std::string localFault(std::string_view local) {
    std::string fault = cfg::valueFault("The scenery folder", local);
    if (!fault.empty()) return fault;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = local.find_first_of("\\/", start);
        if (local.substr(start, end == std::string_view::npos ? local.npos : end - start) == "..")
            return "The scenery folder climbs out with \"..\"";
        if (end == std::string_view::npos) return {};
        start = end + 1;
    }
}

// The case the file writes TRUE and FALSE in, from a value it holds.
inline std::string_view truthIn(std::string_view model, bool value) {
    if (model == "True" || model == "False") return value ? "True" : "False";
    if (model == "true" || model == "false") return value ? "true" : "false";
    return value ? "TRUE" : "FALSE";
}

}  // namespace scenery_detail

// scenery.cfg's text with the area added: the next free area number (one
// above the highest) and, unless the add-on names a free one, the layer one
// above the highest, each found on its own. The header, the number's width,
// the line ends, the keys' order, spelling and spacing follow the file's
// last area.
inline TextResult<SceneryAddition> addSceneryArea(std::string_view text, const SceneryArea& area) {
    std::string fault = cfg::valueFault("The scenery title", area.title);
    if (fault.empty()) fault = scenery_detail::localFault(area.local);
    if (!fault.empty()) return TextFailure{cfg::joined({fault, "; scenery.cfg was left as it was."})};
    TextResult<cfg::Listing> library = cfg::readListing(text, kSceneryFileName, "Area");
    if (!library) return TextFailure{library.failure()};
    const cfg::File& file = library->file;

    unsigned topNumber = 0;
    unsigned topLayer = 0;
    bool layerTaken = false;
    for (const cfg::NumberedSection& a : library->numbered) {
        const cfg::Section& section = file.sections[a.section];
        const auto local = file.value(section, "Local");
        const auto layerText = file.value(section, "Layer");
        unsigned layer = 0;
        if (layerText && !detail::parseNumber(*layerText, layer))
            return cfg::refused(kSceneryFileName,
                                cfg::joined({"gives [", section.name, "] a layer that is not a number"}));
        if (local && scenery_detail::sameFolder(*local, area.local))
            return SceneryAddition{std::string(text), ListedArea{a.name.number, layer, 0, area.local}, true};
        topNumber = std::max(topNumber, a.name.number);
        topLayer = std::max(topLayer, layer);
        layerTaken = layerTaken || (area.layer && layer == *area.layer);
    }
    if (topNumber >= 999999 || topLayer >= 999999)
        return cfg::refused(kSceneryFileName, "has no area number or layer left");
    ListedArea listed{topNumber + 1, area.layer && !layerTaken ? *area.layer : topLayer + 1, 0, area.local};

    // The model: the last area in the file, else the simulator's usual form.
    std::optional<std::size_t> model;
    std::string_view prefix = "Area.";
    std::size_t width = 3;
    std::string_view truthModel;
    if (!library->numbered.empty()) {
        model = library->numbered.back().section;
        prefix = library->numbered.back().name.prefix;
        width = cfg::paddedWidth(library->numbered);
        truthModel = file.value(file.sections[*model], "Active").value_or("");
    }
    const char* const keys[] = {"Title", "Local", "Layer", "Active", "Required"};
    const std::string layer = zeroPadded(listed.layer);
    const std::string_view values[] = {area.title, area.local, layer,
                                       scenery_detail::truthIn(truthModel, true),
                                       scenery_detail::truthIn(truthModel, false)};
    std::vector<std::string> lines{cfg::joined({"[", prefix, zeroPadded(listed.number, width), "]"})};
    std::string_view separator = "=";
    bool written[5] = {};
    if (model) {
        const cfg::Section& section = file.sections[*model];
        for (std::size_t i = section.header + 1; i < section.end; ++i)
            if (const auto keyLine = file.keyLine(i))
                for (std::size_t key = 0; key < 5; ++key)
                    if (!written[key] && cfg::sameLetters(keyLine->key, keys[key])) {
                        separator = keyLine->separator;
                        lines.push_back(cfg::joined({keyLine->indent, keyLine->key, separator, values[key]}));
                        written[key] = true;
                    }
    }
    for (std::size_t key = 0; key < 5; ++key)
        if (!written[key]) lines.push_back(cfg::joined({keys[key], separator, values[key]}));

    std::optional<std::size_t> after = model;
    if (!after && !file.sections.empty()) after = file.sections.size() - 1;
    TextResult<cfg::Insertion> insertion =
        cfg::insertLines(file, after, file.lineEnd(model ? file.sections[*model].header : 0), lines);
    if (!insertion) return TextFailure{insertion.failure()};
    listed.leadIn = insertion->leadIn;
    return SceneryAddition{std::move(insertion->text), std::move(listed), false};
}

// scenery.cfg's text without the area an installation added: the area with
// its folder (the one under its number when there are several), wherever it
// is now. Every other area keeps its number and its bytes.
inline TextResult<cfg::Removal> removeSceneryArea(std::string_view text, const ListedArea& listed) {
    return cfg::removeAdded(text, kSceneryFileName, "Area", listed.number, listed.leadIn,
                            [&](const cfg::File& file, const cfg::Section& section) {
                                const auto local = file.value(section, "Local");
                                return local && scenery_detail::sameFolder(*local, listed.local);
                            });
}

// The area as the installation record names it: "number layer lead-in
// folder", and back; none when the text is not that.
inline std::string listedAreaText(const ListedArea& area) {
    return cfg::recordLine({area.number, area.layer, area.leadIn}, area.local);
}
inline std::optional<ListedArea> parseListedArea(std::string_view text) {
    unsigned numbers[3];
    ListedArea area;
    if (!cfg::readRecordLine(text, numbers, area.local) || !scenery_detail::localFault(area.local).empty())
        return std::nullopt;
    area.number = numbers[0];
    area.layer = numbers[1];
    area.leadIn = numbers[2];
    return area;
}

// Where Windows keeps a program's own copy of a file it may not write
// (for the simulator, a program without a manifest): below the user's
// VirtualStore folder, under the path without its drive. Empty for a path
// without a drive.
inline std::string virtualStoreCopy(std::string_view localAppData, std::string_view path) {
    if (localAppData.empty() || path.size() < 4 || path[1] != ':' || path[2] != '\\') return {};
    while (!localAppData.empty() && localAppData.back() == '\\') localAppData.remove_suffix(1);
    return cfg::joined({localAppData, "\\VirtualStore", path.substr(2)});
}

// The folder as scenery.cfg names it: relative to the simulator's folder
// when inside it, else in full.
inline std::string sceneryLocal(std::string_view simulatorFolder, std::string_view folder) {
    while (!simulatorFolder.empty() && simulatorFolder.back() == '\\') simulatorFolder.remove_suffix(1);
    if (!simulatorFolder.empty() && folder.size() > simulatorFolder.size() + 1 &&
        folder[simulatorFolder.size()] == '\\' &&
        scenery_detail::sameFolder(folder.substr(0, simulatorFolder.size()), simulatorFolder))
        return std::string(folder.substr(simulatorFolder.size() + 1));
    return std::string(folder);
}

}  // namespace tavrix::installer
