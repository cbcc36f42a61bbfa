// The installation page's two bars as numbers: the engine reports byte
// counts, the bars run over 10001 steps (1 = nothing done, 10001 = all).
// No Windows here, so the arithmetic is tested natively too.
#pragma once

#include <cstdint>
#include <optional>

namespace tavrix::installer {

inline constexpr int kBarMinimum = 1;
inline constexpr int kBarMaximum = 10001;

// Position for `done` of `total` bytes (total not 0). The counters are the
// engine's 32-bit signed values; the product is formed in 64 bits, unsigned,
// on the sign-extended values, so sizes above 214748 bytes still give exact
// positions. The result is what a 32-bit position receives; the bar control
// clamps anything outside its range.
constexpr int barPosition(std::int32_t done, std::int32_t total) {
    const auto done64 = static_cast<std::uint64_t>(static_cast<std::int64_t>(done));
    const auto total64 = static_cast<std::uint64_t>(static_cast<std::int64_t>(total));
    return static_cast<int>(static_cast<std::uint32_t>(done64 * 10000u / total64 + 1u));
}

// The four counters of one extraction, fed by the component's progress
// events in their order: the batch total, then per file a start and its
// advances.
class ExtractionProgress {
public:
    void batchTotal(std::int32_t bytes) {
        BatchTotal = bytes;
        BatchDone = 0;
    }
    void fileStart(std::int32_t bytes) {
        FileTotal = bytes;
        FileDone = 0;
    }
    void advance(std::int32_t bytes) {
        FileDone = wrappingAdd(FileDone, bytes);
        BatchDone = wrappingAdd(BatchDone, bytes);
    }

    // A file of no size is complete as soon as it advances.
    int filePosition() const { return FileTotal != 0 ? barPosition(FileDone, FileTotal) : kBarMaximum; }
    // Without a batch total the package bar is left where it is.
    std::optional<int> batchPosition() const {
        if (BatchTotal == 0) return std::nullopt;
        return barPosition(BatchDone, BatchTotal);
    }

private:
    // The counters are 32-bit as the engine's reports; a batch beyond 2 GiB
    // wraps instead of overflowing.
    static std::int32_t wrappingAdd(std::int32_t a, std::int32_t b) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
    }

    std::int32_t FileTotal = 0;
    std::int32_t FileDone = 0;
    std::int32_t BatchTotal = 0;
    std::int32_t BatchDone = 0;
};

}  // namespace tavrix::installer
