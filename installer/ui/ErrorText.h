// Text of the standard error report (portable, no Windows calls).
#pragma once

#include <string>

namespace tavrix::ui {

// An error's text ends in a period unless it is empty or already ends in a
// character at or below "." (such as ".", "!" or ")").
inline std::string withClosingPeriod(std::string text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

}  // namespace tavrix::ui
