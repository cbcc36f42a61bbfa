// A file read at positions: its size and reads at any offset. The engines,
// the stub and the component all read archives through it; a file handle
// stands behind it on Windows, a descriptor on POSIX, bytes in memory in the
// tests and fuzzers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tavrix {

class RandomAccessInput {
public:
    virtual ~RandomAccessInput() = default;
    virtual std::uint64_t size() const = 0;
    // Reads up to `count` bytes at `offset`: the count read, fewer only where
    // the file ends; -1 when the read fails (a lost drive is not the end).
    virtual std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;

    // Exactly `count` bytes at `offset`; false when the file ends first or
    // the read fails.
    bool readExactly(std::uint64_t offset, void* buffer, std::size_t count) {
        return readAt(offset, buffer, count) == static_cast<std::ptrdiff_t>(count);
    }
};

// Bytes in memory read as a file; they must outlive it.
class MemoryInput final : public RandomAccessInput {
public:
    explicit MemoryInput(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset >= bytes_.size()) return 0;
        std::size_t n = bytes_.size() - static_cast<std::size_t>(offset);
        if (n > count) n = count;
        if (n != 0) std::memcpy(buffer, bytes_.data() + offset, n);
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace tavrix
