// Decompresses (and decrypts) one entry's data, checking it against what the
// directory declares: never more bytes than the declared size, never fewer,
// and the CRC of what came out.
#pragma once

#include <cstddef>
#include <cstdint>
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

class EntryDecoder {
public:
    EntryDecoder();
    ~EntryDecoder();
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    DecodeStatus decode(ArchiveReader& reader, const ZipEntry& entry, const DataSpan& span,
                        std::string_view password, ChunkConsumer& consumer);

private:
    DecodeStatus stored(ArchiveReader& reader, std::uint64_t offset, std::uint64_t length,
                        const ZipEntry& entry, class ZipCrypto* crypto, ChunkConsumer& consumer);
    DecodeStatus inflated(ArchiveReader& reader, std::uint64_t offset, std::uint64_t length,
                          const ZipEntry& entry, class ZipCrypto* crypto, ChunkConsumer& consumer);

    struct Inflater;
    Inflater* inflater_;
    std::vector<std::uint8_t> output_;
    std::vector<std::uint8_t> plain_;  // decrypted input
};

}  // namespace tavrix::zip
