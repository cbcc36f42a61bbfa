// The directory reader's view of a file: its size and positioned reads.
// The Windows component reads through a file handle, tests and the fuzzer
// through memory, the benchmark through a POSIX file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace tavrix::archive {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads up to `count` bytes at `offset` into `out`; returns how many were
    // read (fewer at the end of the file or when the read fails).
    virtual std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) = 0;
};

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t readAt(std::uint64_t offset, std::uint8_t* out, std::size_t count) override {
        if (offset >= bytes_.size()) return 0;
        std::size_t n = bytes_.size() - static_cast<std::size_t>(offset);
        if (n > count) n = count;
        if (n != 0) std::memcpy(out, bytes_.data() + offset, n);
        return n;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace tavrix::archive
