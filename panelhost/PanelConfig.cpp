#include "panelhost/PanelConfig.h"

#include <algorithm>
#include <charconv>

namespace tavrix::panel {
namespace {

constexpr int kLargestSize = 4096;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

std::string lowered(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return result;
}

std::vector<std::string_view> commaFields(std::string_view text) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t comma = text.find(',');
        fields.push_back(trimmed(text.substr(0, comma)));
        if (comma == std::string_view::npos) return fields;
        text.remove_prefix(comma + 1);
    }
}

bool number(std::string_view text, int low, int high, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

}  // namespace

PanelConfig parsePanelConfig(std::string_view text) {
    PanelConfig config;
    std::vector<std::pair<std::string, std::string>> titles;  // section (lower case), title
    ConfigWindow* window = nullptr;
    bool inTitles = false;
    std::string section;
    auto problem = [&](std::string_view key, const std::string& why) {
        config.problems.push_back("[" + section + "] " + std::string(key) + ": " + why);
    };

    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line[0] == ';' || line[0] == '/') continue;
        if (line.front() == '[') {
            section = std::string(trimmed(line.substr(1, line.find(']') - 1)));
            const std::string name = lowered(section);
            inTitles = name == "window titles";
            window = nullptr;
            if (name.starts_with("window") && !inTitles) {
                config.windows.push_back({section, section, {}, 0, 0, {}});
                window = &config.windows.back();
            }
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trimmed(line.substr(0, equals));
        const std::string_view value = trimmed(line.substr(equals + 1));
        const std::string name = lowered(key);
        if (inTitles) {
            titles.emplace_back(lowered(key), std::string(value));
            continue;
        }
        if (window == nullptr) continue;
        if (name == "file") {
            window->background = std::string(value);
        } else if (name == "size_mm") {
            const auto fields = commaFields(value);
            if (fields.size() > 2 || !number(fields[0], 1, kLargestSize, window->width) ||
                (fields.size() == 2 && !number(fields[1], 1, kLargestSize, window->height)))
                problem(key, "not a width[, height] in pixels: " + std::string(value));
        } else if (name.starts_with("gauge")) {
            const auto fields = commaFields(value);
            ConfigGauge gauge;
            gauge.key = std::string(key);
            const std::size_t bang = fields[0].find('!');
            if (bang == std::string_view::npos || bang == 0 || bang + 1 == fields[0].size()) {
                problem(key, "not module!gauge: " + std::string(fields[0]));
                continue;
            }
            gauge.module = std::string(trimmed(fields[0].substr(0, bang)));
            gauge.name = std::string(trimmed(fields[0].substr(bang + 1)));
            if (fields.size() < 3 || fields.size() > 5 || !number(fields[1], 0, kLargestSize, gauge.left) ||
                !number(fields[2], 0, kLargestSize, gauge.top) ||
                (fields.size() > 3 && !number(fields[3], 1, kLargestSize, gauge.width)) ||
                (fields.size() > 4 && !number(fields[4], 1, kLargestSize, gauge.height))) {
                problem(key, "not module!gauge, left, top[, width[, height]]: " + std::string(value));
                continue;
            }
            window->gauges.push_back(std::move(gauge));
        }
    }
    for (ConfigWindow& w : config.windows)
        for (const auto& [sectionName, title] : titles)
            if (sectionName == lowered(w.section)) w.title = title;
    std::erase_if(config.windows, [](const ConfigWindow& w) { return w.gauges.empty(); });
    return config;
}

}  // namespace tavrix::panel
