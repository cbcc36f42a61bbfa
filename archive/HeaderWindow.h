// Positioned reads of small pieces through a window of their own: walking
// the local headers of an archive or a set reads little of the data between
// them, one large read serving many small headers.
#pragma once

#include "common/support/RandomAccessInput.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tavrix::archive {

class HeaderWindow {
public:
    explicit HeaderWindow(RandomAccessInput& file) : file_(&file) {}
    HeaderWindow(const HeaderWindow&) = delete;
    HeaderWindow& operator=(const HeaderWindow&) = delete;

    // Exactly `count` bytes at `at`; false when the file ends first or the
    // read fails.
    bool read(std::uint64_t at, void* out, std::size_t count) {
        if (count > sizeof window_) return file_->readExactly(at, out, count);
        if (at < at_ || at - at_ > length_ || length_ - (at - at_) < count) {
            at_ = at;
            const std::ptrdiff_t got = file_->readAt(at, window_, sizeof window_);
            length_ = got > 0 ? static_cast<std::size_t>(got) : 0;  // a failed read holds nothing
            if (count > length_) return false;
        }
        std::memcpy(out, window_ + (at - at_), count);
        return true;
    }

private:
    RandomAccessInput* file_;
    std::uint8_t window_[4096];
    std::uint64_t at_ = 0;
    std::size_t length_ = 0;
};

}  // namespace tavrix::archive
