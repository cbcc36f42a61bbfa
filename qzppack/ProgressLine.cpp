#include "qzppack/ProgressLine.h"

#include <algorithm>

namespace tavrix::qzppack {
namespace {

constexpr std::size_t kNameRoom = 60;

}  // namespace

void ProgressLine::batch(std::uint64_t totalBytes, std::uint64_t now) {
    total_ = totalBytes;
    done_ = 0;
    started_ = now;
    lastDrawn_ = now;
}

void ProgressLine::file(const std::string& name, std::uint64_t now) {
    name_ = name;
    draw(now, false);
}

void ProgressLine::advance(std::uint64_t bytes, std::uint64_t now) {
    done_ += bytes;
    draw(now, false);
}

std::string ProgressLine::text() const {
    const std::uint64_t percent = total_ == 0 ? 100 : std::min<std::uint64_t>(100, done_ * 100 / total_);
    std::string name = name_;
    // The end of a long name tells most.
    if (name.size() > kNameRoom) name = "..." + name.substr(name.size() - (kNameRoom - 3));
    return std::to_string(percent) + "% " + name;
}

void ProgressLine::draw(std::uint64_t now, bool force) {
    if (!force && (now - started_ < kShowAfterMs || (shown_ && now - lastDrawn_ < kRedrawEveryMs))) return;
    const std::string line = text();
    std::fflush(stdout);  // what was listed stays above the progress line
    // Blanks over the rest of a longer line drawn before.
    const std::size_t pad = shownWidth_ > line.size() ? shownWidth_ - line.size() : 0;
    std::fputs(("\r" + line + std::string(pad, ' ')).c_str(), out_);
    std::fflush(out_);
    shownWidth_ = line.size();
    lastDrawn_ = now;
    shown_ = true;
}

void ProgressLine::finish() {
    if (!shown_) return;
    draw(lastDrawn_, true);
    std::fputc('\n', out_);
    shown_ = false;
    shownWidth_ = 0;
}

}  // namespace tavrix::qzppack
