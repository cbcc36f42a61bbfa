// Spanned sets under Wine: the data the fixture made, the floppy drive, and
// the prompts answered by the test.
#pragma once

#include "common/win32/MessageBoxSeam.h"
#include "tests/extract/ExtractTestSupport.h"
#include "tests/extract/FloppyDrive.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace tavrix::archive::testing {

inline std::string spanData(const std::string& name) {
    return programDir() + "span\\" + name;
}

inline std::string disksFolder() {
    return spanData("disks");
}

// Every box recorded with its buttons; the test's function answers it.
struct SeenBox {
    std::string text;
    UINT type;
};

class AnsweredBoxes {
public:
    explicit AnsweredBoxes(std::function<int(const std::string& text, UINT type)> answer)
        : answer_(std::move(answer)) {
        previous_ = win32::setMessageBoxHandler([this](const win32::MessageBoxRequest& r) {
            seen.push_back({r.text, r.type});
            return answer_(r.text, r.type);
        });
    }
    ~AnsweredBoxes() { win32::setMessageBoxHandler(std::move(previous_)); }
    AnsweredBoxes(const AnsweredBoxes&) = delete;
    AnsweredBoxes& operator=(const AnsweredBoxes&) = delete;

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const SeenBox& box : seen) out.push_back(box.text);
        return out;
    }
    std::vector<SeenBox> seen;

private:
    std::function<int(const std::string&, UINT)> answer_;
    win32::MessageBoxHandler previous_;
};

inline bool fileThere(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline long long fileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace tavrix::archive::testing
