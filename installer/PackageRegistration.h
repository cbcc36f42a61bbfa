// What a package asks the installer to register besides its files, from its
// description file: a scenery add-on's area in the scenery library, or a
// repaint's section in an aircraft's list of liveries.
//
//   [Scenery]
//   Title=Lakeside Airfield   the name in the scenery library
//   Folder=Lakeside           the folder holding scenery\ and texture\,
//                             relative to the destination (empty: the
//                             destination itself)
//   Layer=                    optional; empty puts it on top of every other
//
//   [Repaint]
//   Aircraft=Kestrel 200      the aircraft's folder in the simulator's
//                             Aircraft folder, which holds its aircraft.cfg
//   Texture=Red               the suffix of its texture.Red folder
//   Title=Kestrel 200 Red     the name in the aircraft list
//   Base=0                    the [fltsim.N] it copies (0 when empty)
//
// A section takes part when its Title is there. No Windows here: the keys
// come through a reader, and this is tested natively.
#pragma once

#include <optional>
#include <string>

#include "common/support/TextResult.h"
#include "installer/CfgSections.h"
#include "installer/InstallRecord.h"

namespace tavrix::installer {

struct SceneryKeys {
    std::string title;
    std::string folder;  // below the destination; empty for the destination
    std::optional<unsigned> layer;
};

struct RepaintKeys {
    std::string aircraft;
    std::string texture;
    std::string title;
    unsigned basedOn = 0;
};

struct Registration {
    std::optional<SceneryKeys> scenery;
    std::optional<RepaintKeys> repaint;
};

namespace registration_detail {
inline constexpr unsigned kMaxLayer = 99999;
inline TextFailure refused(std::string why) {
    return TextFailure{cfg::joined({"Ostrel.ini: ", why, "."})};
}
}  // namespace registration_detail

// `read(section, key)` gives a key's value, "" when it is missing.
template <typename Read>
TextResult<Registration> readRegistration(Read&& read) {
    using registration_detail::refused;
    Registration registration;
    std::string title = read("Scenery", "Title");
    if (!title.empty()) {
        SceneryKeys scenery{std::move(title), read("Scenery", "Folder"), std::nullopt};
        const std::string layer = read("Scenery", "Layer");
        unsigned value = 0;
        if (!layer.empty() &&
            (!detail::parseNumber(layer, value) || value == 0 || value > registration_detail::kMaxLayer))
            return refused("the scenery's Layer is not a number from 1 to 99999");
        if (!layer.empty()) scenery.layer = value;
        if (std::string fault = cfg::valueFault("the scenery's Title", scenery.title); !fault.empty())
            return refused(fault);
        if (!scenery.folder.empty() && !isNameInside(scenery.folder))
            return refused("the scenery's Folder is not a folder inside the destination");
        registration.scenery = std::move(scenery);
    }
    title = read("Repaint", "Title");
    if (!title.empty()) {
        RepaintKeys repaint{read("Repaint", "Aircraft"), read("Repaint", "Texture"), std::move(title), 0};
        const std::string base = read("Repaint", "Base");
        if (!base.empty() && !detail::parseNumber(base, repaint.basedOn))
            return refused("the repaint's Base is not a section number");
        if (std::string fault = cfg::valueFault("the repaint's Title", repaint.title); !fault.empty())
            return refused(fault);
        if (!isNameInside(repaint.aircraft) || repaint.aircraft.find('\\') != std::string::npos)
            return refused("the repaint's Aircraft is not one folder name");
        if (!isNameInside(repaint.texture) || repaint.texture.find('\\') != std::string::npos ||
            repaint.texture.back() == '.' || repaint.texture.back() == ' ')
            return refused("the repaint's Texture is not a folder name's end");
        registration.repaint = std::move(repaint);
    }
    return registration;
}

}  // namespace tavrix::installer
