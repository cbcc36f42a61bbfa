#include "engines/core/EntryDecoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "common/ZipFormat.h"
#include "engines/core/Progress.h"
#include "engines/core/ZipCrypto.h"

namespace tavrix::zip {
namespace {

constexpr std::size_t kOutputBlock = 1024 * 1024;  // one write per block
constexpr std::size_t kInputBlock = 256 * 1024;

bool passwordCheckMatches(const ZipEntry& entry, std::uint8_t check) {
    // With a data descriptor the writer may not have known the CRC, and then
    // checks against the time instead; both forms are in use.
    if (check == static_cast<std::uint8_t>(entry.crc >> 24)) return true;
    return (entry.flags & kFlagDataDescriptor) && check == static_cast<std::uint8_t>(entry.dosDateTime >> 8);
}

}  // namespace

struct StreamInflater::Stream {
    z_stream z{};
    bool ready = false;
    ~Stream() {
        if (ready) ::inflateEnd(&z);
    }
};

StreamInflater::StreamInflater() : stream_(new Stream) {}
StreamInflater::~StreamInflater() = default;

void StreamInflater::begin(std::uint64_t declaredSize) {
    size_ = declaredSize;
    total_ = 0;
    ended_ = false;
    status_ = DecodeStatus::kOk;
    Stream& s = *stream_;
    if (s.ready ? ::inflateReset(&s.z) != Z_OK : !(s.ready = ::inflateInit2(&s.z, -MAX_WBITS) == Z_OK))
        end(DecodeStatus::kDamaged);
}

void StreamInflater::end(DecodeStatus why) {
    if (ended_) return;
    ended_ = true;
    status_ = why;
}

std::size_t StreamInflater::run(std::span<const std::uint8_t>& input, bool lastInput, std::uint8_t* out,
                                std::size_t capacity) {
    z_stream& z = stream_->z;
    z.next_in = const_cast<Bytef*>(input.data());
    z.avail_in = static_cast<uInt>(input.size());
    std::size_t filled = 0;
    while (!ended_ && filled < capacity) {
        // At most one byte beyond the declared size, which is enough to
        // tell that it was exceeded.
        const std::size_t step =
            static_cast<std::size_t>(std::min<std::uint64_t>(capacity - filled, size_ - total_ + 1));
        z.next_out = out + filled;
        z.avail_out = static_cast<uInt>(step);
        const uInt inputBefore = z.avail_in;
        const int rc = ::inflate(&z, Z_NO_FLUSH);
        const std::size_t produced = step - z.avail_out;
        if (rc == Z_BUF_ERROR || (rc == Z_OK && produced == 0 && z.avail_in == inputBefore)) {
            if (z.avail_in == 0 && lastInput) {
                end(DecodeStatus::kTooShort);  // data ran out mid-stream
                break;
            }
            if (produced == 0 && z.avail_in == inputBefore) {
                if (z.avail_in != 0) end(DecodeStatus::kDamaged);
                break;  // else it wants more input
            }
        } else if (rc != Z_OK && rc != Z_STREAM_END) {
            end(DecodeStatus::kDamaged);
            break;
        }
        total_ += produced;
        if (total_ > size_) {
            end(DecodeStatus::kTooLong);
            break;
        }
        filled += produced;
        if (rc == Z_STREAM_END) end(total_ < size_ ? DecodeStatus::kTooShort : DecodeStatus::kOk);
    }
    input = input.subspan(input.size() - z.avail_in);
    return filled;
}

bool isSupported(const ZipEntry& entry) {
    if (entry.flags & kFlagStrongEncryption) return false;
    return entry.method == kMethodStored || entry.method == kMethodDeflated;
}

DecodeStatus EntryDecoder::decode(ArchiveReader& reader, const ZipEntry& entry, const DataSpan& span,
                                  std::string_view password, ChunkConsumer& consumer) {
    if (!isSupported(entry)) return DecodeStatus::kUnsupported;
    std::uint64_t offset = span.offset;
    std::uint64_t length = span.length;
    ZipCrypto crypto(password);
    ZipCrypto* active = nullptr;
    if (entry.encrypted()) {
        if (password.empty()) return DecodeStatus::kPasswordMissing;
        if (length < kEncryptionHeaderSize) return DecodeStatus::kDamaged;
        std::uint8_t header[kEncryptionHeaderSize];
        if (!reader.readExact(offset, header, sizeof header)) return DecodeStatus::kReadFailed;
        crypto.decrypt(header, sizeof header);
        if (!passwordCheckMatches(entry, header[kEncryptionHeaderSize - 1]))
            return DecodeStatus::kPasswordWrong;
        offset += kEncryptionHeaderSize;
        length -= kEncryptionHeaderSize;
        active = &crypto;
    }
    // The output block grows to what the largest entry so far needs: a small
    // archive does not pay for clearing a megabyte it never fills.
    const std::size_t wanted =
        entry.size < kOutputBlock ? static_cast<std::size_t>(entry.size) + 1 : kOutputBlock;
    if (output_.size() < wanted) output_.resize(wanted);
    if (entry.method == kMethodStored) return stored(reader, offset, length, entry, active, consumer);
    return inflated(reader, offset, length, entry, active, consumer);
}

DecodeStatus EntryDecoder::stored(ArchiveReader& reader, std::uint64_t offset, std::uint64_t length,
                                  const ZipEntry& entry, ZipCrypto* crypto, ChunkConsumer& consumer) {
    if (length > entry.size) return DecodeStatus::kTooLong;
    if (length < entry.size) return DecodeStatus::kTooShort;
    uLong crc = ::crc32(0, nullptr, 0);
    while (length > 0) {
        std::size_t got = 0;
        const std::uint8_t* data =
            reader.view(offset, static_cast<std::size_t>(std::min<std::uint64_t>(length, kOutputBlock)), got);
        if (!data) return DecodeStatus::kReadFailed;
        if (crypto) {
            std::memcpy(output_.data(), data, got);
            crypto->decrypt(output_.data(), got);
            data = output_.data();
        }
        for (std::size_t done = 0; done < got;) {
            const std::size_t step = std::min(kAdvanceStep, got - done);
            crc = ::crc32(crc, data + done, static_cast<uInt>(step));
            if (!consumer.progress(step)) return DecodeStatus::kStopped;
            done += step;
        }
        if (!consumer.consume(data, got)) return DecodeStatus::kStopped;
        offset += got;
        length -= got;
    }
    return crc == entry.crc ? DecodeStatus::kOk : DecodeStatus::kCrcMismatch;
}

DecodeStatus EntryDecoder::inflated(ArchiveReader& reader, std::uint64_t offset, std::uint64_t length,
                                    const ZipEntry& entry, ZipCrypto* crypto, ChunkConsumer& consumer) {
    inflater_.begin(entry.size);
    uLong crc = ::crc32(0, nullptr, 0);
    std::span<const std::uint8_t> input;
    std::size_t filled = 0;  // bytes waiting in output_
    while (!inflater_.ended()) {
        if (input.empty() && length > 0) {
            std::size_t got = 0;
            const std::uint8_t* data = reader.view(
                offset, static_cast<std::size_t>(std::min<std::uint64_t>(length, kInputBlock)), got);
            if (!data) return DecodeStatus::kReadFailed;
            if (crypto) {
                if (plain_.size() < got) plain_.resize(kInputBlock);
                std::memcpy(plain_.data(), data, got);
                crypto->decrypt(plain_.data(), got);
                data = plain_.data();
            }
            input = {data, got};
            offset += got;
            length -= got;
        }
        // One step: at most kAdvanceStep bytes.
        const std::size_t produced = inflater_.run(input, length == 0, output_.data() + filled,
                                                   std::min(kAdvanceStep, output_.size() - filled));
        if (inflater_.status() != DecodeStatus::kOk) return inflater_.status();
        if (produced > 0) {
            crc = ::crc32(crc, output_.data() + filled, static_cast<uInt>(produced));
            filled += produced;
            if (!consumer.progress(produced)) return DecodeStatus::kStopped;
        }
        if (filled == output_.size() || (inflater_.ended() && filled > 0)) {
            if (!consumer.consume(output_.data(), filled)) return DecodeStatus::kStopped;
            filled = 0;
        }
    }
    return crc == entry.crc ? DecodeStatus::kOk : DecodeStatus::kCrcMismatch;
}

}  // namespace tavrix::zip
