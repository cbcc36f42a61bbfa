// The host's scripted mode: one command per line, '#' starts a comment.
//
//   scale <pixels per millimetre>       default 3
//   panel <width> <height>              panel size in pixels, default 640 x 360
//   language <id>                       preferred bitmap language, default 1033
//   light <0..1>                        panel lighting for elements that are not bright
//   block create | block remove | block word <n>   the shared block "mm_master"
//   load <path> <x> <y> [<width>]       a gauge module at a panel position (and width)
//   frames <n>                          n panel frames: update, generate, draw
//   click <x> <y> [left|right|middle|double]   a click at panel pixels
//   set <variable> <value>              a simulator variable
//   event <id> [<value>]                a key event, as if from the keyboard
//   unload                              kills and unloads every gauge
//   aircraft <path>                     an aircraft's panel.cfg laid out, each window a
//                                       panel of its own (the path is the rest of the line:
//                                       the aircraft's folder or its panel.cfg); prints the
//                                       layout and the gauges that would not load
//   screenshot <file.bmp> [<window>]    the panel, or the window'th of an aircraft's (from 0)
//
// Paths are relative to the script's folder.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace tavrix::panel::script {

struct Scale {
    double pixelsPerMm;
};
struct PanelSize {
    int width, height;
};
struct Language {
    std::uint32_t id;
};
struct Light {
    double level;
};
struct BlockCreate {};
struct BlockRemove {};
struct BlockWord {
    std::uint32_t word;
};
struct Load {
    std::string path;
    int x, y, width;
};  // width 0: the header's default
struct Frames {
    int count;
};
struct Click {
    int x, y;
    std::uint32_t kind;
};
struct SetVariable {
    std::uint32_t id;
    double value;
};
struct Event {
    std::uint32_t id, value;
};
struct Unload {};
struct Aircraft {
    std::string path;
};
struct Screenshot {
    std::string path;
    std::size_t panel = 0;
};

using Command = std::variant<Scale, PanelSize, Language, Light, BlockCreate, BlockRemove, BlockWord, Load,
                             Frames, Click, SetVariable, Event, Unload, Aircraft, Screenshot>;

struct ParseResult {
    std::vector<Command> commands;
    std::string error;  // "line N: ..." for the first bad line; empty when all were read
};

ParseResult parse(std::string_view text);

}  // namespace tavrix::panel::script
