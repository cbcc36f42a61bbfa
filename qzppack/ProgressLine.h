// The one line QzpPack rewrites while long work runs: the share of the
// batch's bytes done and the file at hand. Short work shows nothing.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tavrix::qzppack {

class ProgressLine {
public:
    // `now` in milliseconds, from any fixed start.
    explicit ProgressLine(std::FILE* out) : out_(out) {}
    void batch(std::uint64_t totalBytes, std::uint64_t now);
    void file(const std::string& name, std::uint64_t now);
    void advance(std::uint64_t bytes, std::uint64_t now);
    // Ends the line, when one was shown.
    void finish();

    // The line's text for the state it is in, for tests.
    std::string text() const;

    static constexpr std::uint64_t kShowAfterMs = 1000;
    static constexpr std::uint64_t kRedrawEveryMs = 200;

private:
    void draw(std::uint64_t now, bool force);

    std::FILE* out_;
    std::uint64_t started_ = 0;
    std::uint64_t lastDrawn_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t done_ = 0;
    std::string name_;
    std::size_t shownWidth_ = 0;
    bool shown_ = false;
};

}  // namespace tavrix::qzppack
