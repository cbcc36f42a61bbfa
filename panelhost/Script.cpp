#include "panelhost/Script.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "panelhost/MouseMap.h"

namespace tavrix::panel::script {

namespace {

constexpr int kMaxPanelSide = 4096;
constexpr int kMaxFrames = 100000;
constexpr std::size_t kMaxPathWords = 64;  // an aircraft path with spaces comes in words
constexpr long long kMaxPanels = 100;

std::vector<std::string_view> words(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        std::size_t j = i;
        while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r') ++j;
        if (j > i) out.push_back(line.substr(i, j - i));
        i = j;
    }
    return out;
}

bool toInt(std::string_view s, long long lo, long long hi, long long& out) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && out >= lo && out <= hi;
}

bool toDouble(std::string_view s, double& out) {
    // from_chars for doubles is not in every standard library we build with.
    std::string copy(s);
    char* end = nullptr;
    out = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size() && std::isfinite(out);
}

class LineParser {
public:
    explicit LineParser(const std::vector<std::string_view>& w) : w_(w) {}

    std::string error;

    bool count(std::size_t min, std::size_t max) {
        if (w_.size() - 1 < min || w_.size() - 1 > max) return fail("wrong number of arguments");
        return true;
    }
    long long integer(std::size_t i, long long lo, long long hi) {
        long long v = 0;
        if (!toInt(w_[i], lo, hi, v)) fail("bad number '" + std::string(w_[i]) + "'");
        return v;
    }
    double real(std::size_t i) {
        double v = 0;
        if (!toDouble(w_[i], v)) fail("bad number '" + std::string(w_[i]) + "'");
        return v;
    }
    bool fail(std::string why) {
        if (error.empty()) error = std::move(why);
        return false;
    }

private:
    const std::vector<std::string_view>& w_;
};

std::optional<Command> parseLine(const std::vector<std::string_view>& w, std::string& error) {
    LineParser p(w);
    const std::string_view verb = w[0];
    std::optional<Command> cmd;
    constexpr long long kU32 = 0xFFFFFFFFll;
    if (verb == "scale" && p.count(1, 1)) {
        const double v = p.real(1);
        if (!(v > 0.0 && v <= 100.0)) p.fail("scale out of range");
        cmd = Scale{v};
    } else if (verb == "panel" && p.count(2, 2)) {
        cmd = PanelSize{int(p.integer(1, 1, kMaxPanelSide)), int(p.integer(2, 1, kMaxPanelSide))};
    } else if (verb == "language" && p.count(1, 1)) {
        cmd = Language{std::uint32_t(p.integer(1, 0, 0xFFFF))};
    } else if (verb == "light" && p.count(1, 1)) {
        const double v = p.real(1);
        if (!(v >= 0.0 && v <= 1.0)) p.fail("light out of range");
        cmd = Light{v};
    } else if (verb == "block" && p.count(1, 2)) {
        if (w[1] == "create" && w.size() == 2)
            cmd = BlockCreate{};
        else if (w[1] == "remove" && w.size() == 2)
            cmd = BlockRemove{};
        else if (w[1] == "word" && w.size() == 3)
            cmd = BlockWord{std::uint32_t(p.integer(2, 0, kU32))};
        else
            p.fail("block create, block remove or block word <n>");
    } else if (verb == "load" && p.count(3, 4)) {
        cmd = Load{std::string(w[1]), int(p.integer(2, -kMaxPanelSide, kMaxPanelSide)),
                   int(p.integer(3, -kMaxPanelSide, kMaxPanelSide)),
                   w.size() == 5 ? int(p.integer(4, 1, kMaxPanelSide)) : 0};
    } else if (verb == "frames" && p.count(1, 1)) {
        cmd = Frames{int(p.integer(1, 0, kMaxFrames))};
    } else if (verb == "click" && p.count(2, 3)) {
        std::uint32_t kind = kClickLeftSingle;
        if (w.size() == 4) {
            if (w[3] == "left")
                kind = kClickLeftSingle;
            else if (w[3] == "right")
                kind = kClickRightSingle;
            else if (w[3] == "middle")
                kind = kClickMiddleSingle;
            else if (w[3] == "double")
                kind = kClickLeftDouble;
            else
                p.fail("click kind is left, right, middle or double");
        }
        cmd = Click{int(p.integer(1, -kMaxPanelSide, kMaxPanelSide)),
                    int(p.integer(2, -kMaxPanelSide, kMaxPanelSide)), kind};
    } else if (verb == "set" && p.count(2, 2)) {
        cmd = SetVariable{std::uint32_t(p.integer(1, 0, kU32)), p.real(2)};
    } else if (verb == "event" && p.count(1, 2)) {
        cmd = Event{std::uint32_t(p.integer(1, 0, kU32)),
                    w.size() == 3 ? std::uint32_t(p.integer(2, 0, kU32)) : 0u};
    } else if (verb == "unload" && p.count(0, 0)) {
        cmd = Unload{};
    } else if (verb == "aircraft" && p.count(1, kMaxPathWords)) {
        std::string path(w[1]);
        for (std::size_t i = 2; i < w.size(); ++i) path += " " + std::string(w[i]);
        cmd = Aircraft{path};
    } else if (verb == "screenshot" && p.count(1, 2)) {
        cmd = Screenshot{std::string(w[1]), w.size() == 3 ? std::size_t(p.integer(2, 0, kMaxPanels - 1)) : 0};
    } else if (p.error.empty()) {
        p.fail("unknown command '" + std::string(verb) + "'");
    }
    if (!p.error.empty()) {
        error = p.error;
        return std::nullopt;
    }
    return cmd;
}

}  // namespace

ParseResult parse(std::string_view text) {
    // Windows editors may start a UTF-8 file with a byte-order mark; it is not
    // part of the first command.
    constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
    if (text.starts_with(kUtf8ByteOrderMark)) text.remove_prefix(kUtf8ByteOrderMark.size());
    ParseResult result;
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (const std::size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        const auto w = words(line);
        if (w.empty()) continue;
        std::string error;
        auto cmd = parseLine(w, error);
        if (!cmd) {
            result.error = "line " + std::to_string(lineNumber) + ": " + error;
            result.commands.clear();
            return result;
        }
        result.commands.push_back(std::move(*cmd));
    }
    return result;
}

}  // namespace tavrix::panel::script
