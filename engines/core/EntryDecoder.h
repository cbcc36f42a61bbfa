// Decompresses (and decrypts) one entry's data, checking it against what the
// directory declares: never more bytes than the declared size, never fewer,
// and the CRC of what came out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "engines/core/ZipArchive.h"

namespace tavrix::zip {

enum class DecodeStatus {
    kOk,
    kStopped,  // the consumer asked to stop
    kUnsupported,
    kPasswordMissing,
    kPasswordWrong,
    kDamaged,
    kTooLong,
    kTooShort,
    kCrcMismatch,
    kReadFailed,
};

// Receives the entry's bytes. `progress` is called for every step of at most
// kAdvanceStep bytes as they come out; `consume` with larger blocks of them.
// Either returns false to stop.
class ChunkConsumer {
public:
    virtual ~ChunkConsumer() = default;
    virtual bool progress(std::size_t bytes) = 0;
    virtual bool consume(const std::uint8_t* data, std::size_t count) = 0;
};

// Whether the entry's method and encryption are ones this code can read.
bool isSupported(const ZipEntry& entry);

// One entry's deflate stream inflated from input given in parts, checked
// against the declared size as it goes: never more bytes, never fewer. The
// CRC of the output is the caller's to check.
class StreamInflater {
public:
    StreamInflater();
    ~StreamInflater();
    StreamInflater(const StreamInflater&) = delete;
    StreamInflater& operator=(const StreamInflater&) = delete;

    void begin(std::uint64_t declaredSize);
    // Inflates from `input` (moved past what it used) into `out`, until
    // `capacity` bytes are out, the input is used up, or the entry ends;
    // the bytes put out. With `lastInput` false, output short of
    // `capacity` without an end means that it wants more input.
    std::size_t run(std::span<const std::uint8_t>& input, bool lastInput, std::uint8_t* out,
                    std::size_t capacity);
    // Ends the entry with `why` unless it has ended already.
    void end(DecodeStatus why);
    bool ended() const { return ended_; }
    DecodeStatus status() const { return status_; }  // kOk: complete, of the declared size

private:
    struct Stream;
    std::unique_ptr<Stream> stream_;
    std::uint64_t size_ = 0;
    std::uint64_t total_ = 0;
    bool ended_ = false;
    DecodeStatus status_ = DecodeStatus::kOk;
};

class EntryDecoder {
public:
    EntryDecoder() = default;
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    DecodeStatus decode(ArchiveReader& reader, const ZipEntry& entry, const DataSpan& span,
                        std::string_view password, ChunkConsumer& consumer);

private:
    DecodeStatus stored(ArchiveReader& reader, std::uint64_t offset, std::uint64_t length,
                        const ZipEntry& entry, class ZipCrypto* crypto, ChunkConsumer& consumer);
    DecodeStatus inflated(ArchiveReader& reader, std::uint64_t offset, std::uint64_t length,
                          const ZipEntry& entry, class ZipCrypto* crypto, ChunkConsumer& consumer);

    StreamInflater inflater_;
    std::vector<std::uint8_t> output_;
    std::vector<std::uint8_t> plain_;  // decrypted input
};

}  // namespace tavrix::zip
