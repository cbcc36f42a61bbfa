// Splitting a text file into lines (portable, no Windows calls).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tavrix::installer {

// CR LF, CR alone and LF alone each end a line; an ending at the very end of
// the text opens no further line.
inline std::vector<std::string> splitLines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t position = 0;
    while (position < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", position);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(position));
            break;
        }
        lines.emplace_back(text.substr(position, end - position));
        position = end;
        if (text[position] == '\r') ++position;
        if (position < text.size() && text[position] == '\n') ++position;
    }
    return lines;
}

}  // namespace tavrix::installer
