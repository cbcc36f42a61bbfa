// The installation page's two bars as numbers: the engine reports byte
// counts, the bars run over 10001 steps (1 = nothing done, 10001 = all).
// No Windows here, so the arithmetic is tested natively too.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>

namespace tavrix::installer {

inline constexpr int kBarMinimum = 1;
inline constexpr int kBarMaximum = 10001;

// Position for `done` of `total` bytes (total not 0), in 64 bits so that a
// package of many gigabytes moves its bar in proportion; done beyond the
// total stands at the end.
constexpr int barPosition(std::uint64_t done, std::uint64_t total) {
    done = std::min(done, total);
    // Only sums beyond 1.8 petabytes need this to keep done x 10000 in range.
    while (total > UINT64_MAX / 10000) {
        total >>= 1;
        done >>= 1;
    }
    return static_cast<int>(done * 10000 / total) + kBarMinimum;
}

// The batch total the engine reports is 32 bits wide (the record's field),
// so a package beyond 4 GiB arrives reduced modulo 2^32. The listing's sum
// of unpacked sizes is 64 bits: when it agrees with the report in the low 32
// bits, it is the batch's true size.
constexpr std::uint64_t widenedBatchTotal(std::uint32_t reported, std::uint64_t listed) {
    return static_cast<std::uint32_t>(listed) == reported ? listed : reported;
}

// The four counters of one extraction, fed by the component's progress
// events in their order: the batch total, then per file a start and its
// advances. File sizes and advances are the engine's unsigned 32-bit values.
class ExtractionProgress {
public:
    void batchTotal(std::uint64_t bytes) {
        BatchTotal = bytes;
        BatchDone = 0;
    }
    void fileStart(std::uint32_t bytes) {
        FileTotal = bytes;
        FileDone = 0;
    }
    void advance(std::uint32_t bytes) {
        FileDone += bytes;
        BatchDone += bytes;
    }

    // A file of no size is complete as soon as it advances.
    int filePosition() const { return FileTotal != 0 ? barPosition(FileDone, FileTotal) : kBarMaximum; }
    // Without a batch total the package bar is left where it is.
    std::optional<int> batchPosition() const {
        if (BatchTotal == 0) return std::nullopt;
        return barPosition(BatchDone, BatchTotal);
    }

private:
    std::uint64_t FileTotal = 0;
    std::uint64_t FileDone = 0;
    std::uint64_t BatchTotal = 0;
    std::uint64_t BatchDone = 0;
};

}  // namespace tavrix::installer
