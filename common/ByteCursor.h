// Bounds-checked little-endian reading over a byte span.
//
// Every read checks the remaining length first. The first failure is kept
// (later reads return zero and do not overwrite it), so a parser can read a
// whole record and check ok() once at the end.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>

namespace tavrix {

class ByteCursor {
public:
    ByteCursor() = default;
    explicit ByteCursor(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool ok() const { return !failed_; }
    bool failed() const { return failed_; }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return bytes_.size(); }
    std::size_t remaining() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ == bytes_.size(); }

    // Moves to an absolute offset; an offset past the end is a failure.
    bool seek(std::size_t offset) {
        if (failed_ || offset > bytes_.size()) return fail();
        pos_ = offset;
        return true;
    }
    bool skip(std::size_t count) {
        if (failed_ || count > remaining()) return fail();
        pos_ += count;
        return true;
    }

    std::uint8_t u8() { return readLe<std::uint8_t>(); }
    std::uint16_t u16() { return readLe<std::uint16_t>(); }
    std::uint32_t u32() { return readLe<std::uint32_t>(); }
    std::uint64_t u64() { return readLe<std::uint64_t>(); }

    // A view of the next `count` bytes; empty (and a failure) when short.
    std::span<const std::uint8_t> bytes(std::size_t count) {
        if (failed_ || count > remaining()) {
            fail();
            return {};
        }
        auto view = bytes_.subspan(pos_, count);
        pos_ += count;
        return view;
    }
    std::string_view chars(std::size_t count) {
        auto view = bytes(count);
        return {reinterpret_cast<const char*>(view.data()), view.size()};
    }

    // A cursor over the next `count` bytes, advancing this one past them.
    ByteCursor sub(std::size_t count) {
        auto view = bytes(count);
        ByteCursor child(view);
        if (failed_) child.failed_ = true;
        return child;
    }

private:
    bool fail() {
        failed_ = true;
        return false;
    }
    // One width per instantiation, loaded whole on a little-endian machine:
    // a loop over a run-time width built every value in 64 bits, which a
    // 32-bit build does a byte at a time with double-word shifts, and
    // directories of 100,000 entries are read through here.
    template <typename T>
    T readLe() {
        if (failed_ || sizeof(T) > remaining()) {
            fail();
            return 0;
        }
        const std::uint8_t* at = bytes_.data() + pos_;
        pos_ += sizeof(T);
        T value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, at, sizeof(T));
        } else {
            for (std::size_t i = 0; i < sizeof(T); ++i) value |= static_cast<T>(T{at[i]} << (8 * i));
        }
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Wrap-checked offset arithmetic: true and the sum when base + add fits in
// `limit`, false otherwise.
inline bool addWithin(std::uint64_t base, std::uint64_t add, std::uint64_t limit, std::uint64_t& sum) {
    if (add > limit || base > limit - add) return false;
    sum = base + add;
    return true;
}

// Little-endian stores into a buffer the caller has sized.
inline void storeLe16(std::uint8_t* out, std::uint16_t v) {
    out[0] = static_cast<std::uint8_t>(v);
    out[1] = static_cast<std::uint8_t>(v >> 8);
}
inline void storeLe32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}
inline void storeLe64(std::uint8_t* out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace tavrix
