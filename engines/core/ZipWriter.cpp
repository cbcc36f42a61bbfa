#include "engines/core/ZipWriter.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <random>
#include <span>

#include "common/ByteCursor.h"
#include "common/ZipFormat.h"
#include "common/zip/ZipRecords.h"
#include "engines/core/Progress.h"
#include "engines/core/ZipCrypto.h"

namespace tavrix::zip {
namespace {

constexpr std::size_t kBufferSize = 1 << 20;
constexpr std::size_t kReadBlock = 256 * 1024;

class NoProgress final : public ChunkConsumer {
public:
    bool progress(std::size_t) override { return true; }
    bool consume(const std::uint8_t*, std::size_t) override { return true; }
};

void appendLe16(std::string& out, std::uint16_t v) {
    std::uint8_t b[2];
    storeLe16(b, v);
    out.append(reinterpret_cast<const char*>(b), 2);
}
void appendLe32(std::string& out, std::uint32_t v) {
    std::uint8_t b[4];
    storeLe32(b, v);
    out.append(reinterpret_cast<const char*>(b), 4);
}

std::string timestampExtra(std::optional<std::int64_t> unixTime) {
    std::string extra;
    if (!unixTime || *unixTime < INT32_MIN || *unixTime > INT32_MAX) return extra;
    appendLe16(extra, kExtraTimestamp);
    appendLe16(extra, 5);
    extra.push_back(1);  // modification time present
    appendLe32(extra, static_cast<std::uint32_t>(static_cast<std::int32_t>(*unixTime)));
    return extra;
}

// Extra fields of a copied entry without its Zip64 field: the copy carries
// its sizes in the fixed header. Without one the stored fields are kept as
// they are, whole; otherwise the others are gathered into `kept`.
std::string_view withoutZip64(std::string_view extra, std::string& kept) {
    const auto fields = [&](auto&& visit) {
        ByteCursor c({reinterpret_cast<const std::uint8_t*>(extra.data()), extra.size()});
        while (c.remaining() >= 4) {
            const std::size_t start = c.position();
            const std::uint16_t id = c.u16();
            const std::uint16_t length = c.u16();
            if (!c.skip(length)) break;
            visit(id, extra.substr(start, 4 + length));
        }
    };
    bool hasZip64 = false;
    fields([&](std::uint16_t id, std::string_view) { hasZip64 = hasZip64 || id == kExtraZip64; });
    if (!hasZip64) return extra;
    fields([&](std::uint16_t id, std::string_view field) {
        if (id != kExtraZip64) kept.append(field);
    });
    return kept;
}

bool isAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char ch) { return static_cast<unsigned char>(ch) < 0x80; });
}

std::mt19937& randomBytes() {
    static std::mt19937 engine = [] {
        std::random_device device;
        // The clock adds a little where the system's source is weak; the C
        // library's clocks keep the C++ clock's run-time support (and the
        // threads library behind it) out of the engine.
        std::seed_seq seed{device(), device(), static_cast<unsigned>(std::time(nullptr)),
                           static_cast<unsigned>(std::clock())};
        return std::mt19937(seed);
    }();
    return engine;
}

}  // namespace

struct ZipWriter::Compressor {
    z_stream stream{};
    bool ready = false;
    ~Compressor() {
        if (ready) ::deflateEnd(&stream);
    }
};

ZipWriter::ZipWriter(OutputFile& out) : out_(out), buffer_(kBufferSize), input_(kReadBlock) {}
ZipWriter::~ZipWriter() {
    delete compressor_;
}

bool ZipWriter::flush() {
    if (buffered_ == 0) return true;
    if (!out_.write(buffer_.data(), buffered_)) return false;
    flushedEnd_ += buffered_;
    buffered_ = 0;
    return true;
}

bool ZipWriter::put(const void* data, std::size_t count) {
    if (count > buffer_.size() - buffered_) {
        if (!flush()) return false;
        if (count >= buffer_.size()) {
            if (!out_.write(data, count)) return false;
            flushedEnd_ += count;
            return true;
        }
    }
    std::memcpy(buffer_.data() + buffered_, data, count);
    buffered_ += count;
    return true;
}

bool ZipWriter::patch(std::uint64_t offset, const void* data, std::size_t count) {
    if (offset >= flushedEnd_) {
        std::memcpy(buffer_.data() + (offset - flushedEnd_), data, count);
        return true;
    }
    if (offset + count > flushedEnd_ && !flush()) return false;
    return out_.writeAt(offset, data, count);
}

ZipWriter::CentralRecord ZipWriter::describe(const NewEntry& entry, std::string& extra) {
    CentralRecord r{};
    const bool unixHost = entry.attributes.hasUnixMode && !entry.dosHost;
    r.versionMadeBy = static_cast<std::uint16_t>(((unixHost ? kHostUnix : kHostFat) << 8) | kVersionMadeBy);
    r.versionNeeded = kVersionDeflate;
    r.flags = isAscii(entry.name) ? 0 : kFlagUtf8;
    r.dosDateTime = entry.dosDateTime;
    const bool directory = !entry.name.empty() && entry.name.back() == '/';
    std::uint32_t dos = entry.attributes.dos & (kDosReadOnly | kDosHidden | kDosSystem | kDosArchive);
    if (directory) dos |= kDosDirectory;
    r.externalAttributes = dos;
    if (unixHost) {
        const std::uint32_t type = directory ? kUnixDirectory : kUnixRegular;
        r.externalAttributes |= (type | (entry.attributes.unixMode & 0777)) << 16;
    }
    r.name = entry.name;
    extra = entry.dosHost ? std::string() : timestampExtra(entry.unixTime);
    r.extra = extra;
    return r;
}

bool ZipWriter::writeLocalHeader(const CentralRecord& r, std::string_view localExtra) {
    // CRC and sizes are zero here when a data descriptor carries them.
    const bool sizesFollow = (r.flags & kFlagDataDescriptor) != 0;
    LocalHeader h;
    h.versionNeeded = r.versionNeeded;
    h.flags = r.flags;
    h.method = r.method;
    h.dosDateTime = r.dosDateTime;
    h.crc = sizesFollow ? 0 : r.crc;
    h.compressedSize = sizesFollow ? 0 : r.compressedSize;
    h.size = sizesFollow ? 0 : r.size;
    h.nameLength = static_cast<std::uint16_t>(r.name.size());
    h.extraLength = static_cast<std::uint16_t>(localExtra.size());
    std::uint8_t bytes[kLocalHeaderSize];
    storeLocalHeader(h, bytes);
    return put(bytes, sizeof bytes) && put(r.name.data(), r.name.size()) &&
           put(localExtra.data(), localExtra.size());
}

bool ZipWriter::writeDataDescriptor(const CentralRecord& r) {
    std::uint8_t bytes[kDataDescriptorSize];
    storeDataDescriptor({r.crc, r.compressedSize, r.size}, bytes);
    return put(bytes, sizeof bytes);
}

WriteStatus ZipWriter::copyPrefix(ArchiveReader& reader, std::uint64_t length) {
    for (std::uint64_t offset = 0; offset < length;) {
        std::size_t got = 0;
        const std::uint8_t* data = reader.view(
            offset, static_cast<std::size_t>(std::min<std::uint64_t>(length - offset, kReadBlock)), got);
        if (!data) return WriteStatus::kReadFailed;
        if (!put(data, got)) return WriteStatus::kWriteFailed;
        offset += got;
    }
    return WriteStatus::kOk;
}

WriteStatus ZipWriter::copyEntry(ZipArchive& source, const ZipEntry& entry) {
    DataSpan span;
    if (source.locateData(entry, span) != ZipArchive::Placement::kOk) return WriteStatus::kReadFailed;
    const std::uint64_t at = flushedEnd_ + buffered_;
    if (at >= kSaturated32 || entry.size >= kSaturated32 || entry.compressedSize >= kSaturated32 ||
        entry.rawName.size() > kSaturated16)
        return WriteStatus::kTooLarge;
    CentralRecord r{};
    r.versionMadeBy = entry.versionMadeBy;
    r.versionNeeded = kVersionDeflate;
    r.flags = entry.flags;
    r.method = entry.method;
    r.dosDateTime = entry.dosDateTime;
    r.crc = entry.crc;
    r.compressedSize = static_cast<std::uint32_t>(entry.compressedSize);
    r.size = static_cast<std::uint32_t>(entry.size);
    r.externalAttributes = entry.externalAttributes;
    r.localOffset = static_cast<std::uint32_t>(at);
    r.name = entry.rawName;
    std::string keptExtra;
    r.extra = withoutZip64(entry.extra, keptExtra);
    if (!writeLocalHeader(r, r.extra)) return WriteStatus::kWriteFailed;
    ArchiveReader& reader = source.reader();
    for (std::uint64_t offset = span.offset, left = span.length; left > 0;) {
        std::size_t got = 0;
        const std::uint8_t* data =
            reader.view(offset, static_cast<std::size_t>(std::min<std::uint64_t>(left, kReadBlock)), got);
        if (!data) return WriteStatus::kReadFailed;
        if (!put(data, got)) return WriteStatus::kWriteFailed;
        offset += got;
        left -= got;
    }
    if ((r.flags & kFlagDataDescriptor) && !writeDataDescriptor(r)) return WriteStatus::kWriteFailed;
    appendCentral(r);
    return WriteStatus::kOk;
}

WriteStatus ZipWriter::addDirectory(const NewEntry& entry) {
    const std::uint64_t at = flushedEnd_ + buffered_;
    if (at >= kSaturated32 || entry.name.size() > kSaturated16) return WriteStatus::kTooLarge;
    std::string extra;
    CentralRecord r = describe(entry, extra);
    r.versionNeeded = 10;
    r.method = kMethodStored;
    r.localOffset = static_cast<std::uint32_t>(at);
    if (!writeLocalHeader(r, r.extra)) return WriteStatus::kWriteFailed;
    appendCentral(r);
    return WriteStatus::kOk;
}

WriteStatus ZipWriter::writeData(RandomAccessInput& input, std::uint64_t size, int level,
                                 std::string_view password, const CentralRecord& record,
                                 ChunkConsumer& progress, std::uint32_t& crc) {
    ZipCrypto crypto(password);
    const bool encrypt = !password.empty();
    if (encrypt) {
        std::uint8_t header[kEncryptionHeaderSize];
        for (auto& b : header) b = static_cast<std::uint8_t>(randomBytes()());
        // The data descriptor follows, so the check byte is the time's high byte.
        header[kEncryptionHeaderSize - 1] = static_cast<std::uint8_t>(record.dosDateTime >> 8);
        crypto.encrypt(header, sizeof header);
        if (!put(header, sizeof header)) return WriteStatus::kWriteFailed;
    }
    z_stream* z = nullptr;
    if (level > 0) {
        if (!compressor_) compressor_ = new Compressor;
        if (compressor_->ready && compressorLevel_ != level) {
            ::deflateEnd(&compressor_->stream);
            compressor_->ready = false;
        }
        if (!compressor_->ready) {
            compressor_->stream = z_stream{};
            if (::deflateInit2(&compressor_->stream, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
                Z_OK)
                return WriteStatus::kWriteFailed;
            compressor_->ready = true;
            compressorLevel_ = level;
        } else if (::deflateReset(&compressor_->stream) != Z_OK) {
            return WriteStatus::kWriteFailed;
        }
        z = &compressor_->stream;
    }
    uLong sum = ::crc32(0, nullptr, 0);
    std::uint64_t offset = 0;
    bool finished = false;
    while (!finished) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size - offset, kReadBlock));
        const std::ptrdiff_t n = input.readAt(offset, input_.data(), want);
        if (n < 0) return WriteStatus::kReadFailed;
        const auto got = static_cast<std::size_t>(n);
        if (got != want) return WriteStatus::kChanged;  // the file became shorter
        offset += got;
        const bool last = offset == size;
        sum = ::crc32(sum, input_.data(), static_cast<uInt>(got));
        for (std::size_t done = 0; done < got;) {
            const std::size_t step = std::min(kAdvanceStep, got - done);
            if (!progress.progress(step)) return WriteStatus::kStopped;
            done += step;
        }
        if (!z) {
            if (encrypt) crypto.encrypt(input_.data(), got);
            if (!put(input_.data(), got)) return WriteStatus::kWriteFailed;
            finished = last;
            continue;
        }
        z->next_in = input_.data();
        z->avail_in = static_cast<uInt>(got);
        for (;;) {
            if (buffered_ == buffer_.size() && !flush()) return WriteStatus::kWriteFailed;
            std::uint8_t* out = buffer_.data() + buffered_;
            z->next_out = out;
            z->avail_out = static_cast<uInt>(buffer_.size() - buffered_);
            const int rc = ::deflate(z, last ? Z_FINISH : Z_NO_FLUSH);
            if (rc == Z_STREAM_ERROR) return WriteStatus::kWriteFailed;
            const std::size_t produced = static_cast<std::size_t>(z->next_out - out);
            if (encrypt) crypto.encrypt(out, produced);
            buffered_ += produced;
            if (rc == Z_STREAM_END) {
                finished = true;
                break;
            }
            if (z->avail_in == 0 && z->avail_out != 0) break;  // needs more input
        }
    }
    crc = static_cast<std::uint32_t>(sum);
    return WriteStatus::kOk;
}

WriteStatus ZipWriter::addFile(const NewEntry& entry, RandomAccessInput& input, int level,
                               std::string_view password, ChunkConsumer& progress) {
    const std::uint64_t size = input.size();
    const std::uint64_t headerAt = flushedEnd_ + buffered_;
    if (size >= kSaturated32 || headerAt >= kSaturated32 || entry.name.size() > kSaturated16)
        return WriteStatus::kTooLarge;
    std::string extra;
    CentralRecord r = describe(entry, extra);
    const bool encrypt = !password.empty();
    if (encrypt) r.flags |= kFlagEncrypted | kFlagDataDescriptor;
    r.method = level == 0 ? kMethodStored : kMethodDeflated;
    r.size = static_cast<std::uint32_t>(size);
    r.localOffset = static_cast<std::uint32_t>(headerAt);
    if (!writeLocalHeader(r, r.extra)) return WriteStatus::kWriteFailed;
    const std::uint64_t dataStart = flushedEnd_ + buffered_;
    WriteStatus status = writeData(input, size, level, password, r, progress, r.crc);
    if (status != WriteStatus::kOk) return status;
    std::uint64_t compressed = flushedEnd_ + buffered_ - dataStart;
    const std::uint64_t storedSize = size + (encrypt ? kEncryptionHeaderSize : 0);
    // Data that does not shrink is stored instead, when it is still in the
    // buffer (small files, the usual case of incompressible data).
    if (r.method == kMethodDeflated && compressed > storedSize && dataStart >= flushedEnd_) {
        buffered_ = static_cast<std::size_t>(dataStart - flushedEnd_);
        r.method = kMethodStored;
        NoProgress quiet;
        status = writeData(input, size, 0, password, r, quiet, r.crc);
        if (status != WriteStatus::kOk) return status;
        compressed = flushedEnd_ + buffered_ - dataStart;
    }
    if (compressed >= kSaturated32) return WriteStatus::kTooLarge;
    r.compressedSize = static_cast<std::uint32_t>(compressed);
    return completeEntry(headerAt, r);
}

WriteStatus ZipWriter::completeEntry(std::uint64_t headerAt, const CentralRecord& r) {
    std::uint8_t method[2];
    storeLe16(method, r.method);
    if (!patch(headerAt + local_at::kMethod, method, sizeof method)) return WriteStatus::kWriteFailed;
    if (r.flags & kFlagDataDescriptor) {
        if (!writeDataDescriptor(r)) return WriteStatus::kWriteFailed;
    } else {
        static_assert(local_at::kCompressedSize == local_at::kCrc + 4 &&
                      local_at::kSize == local_at::kCrc + 8);
        std::uint8_t sizes[12];
        storeLe32(sizes, r.crc);
        storeLe32(sizes + 4, r.compressedSize);
        storeLe32(sizes + 8, r.size);
        if (!patch(headerAt + local_at::kCrc, sizes, sizeof sizes)) return WriteStatus::kWriteFailed;
    }
    appendCentral(r);
    return WriteStatus::kOk;
}

WriteStatus ZipWriter::addPieces(const NewEntry& entry, std::uint64_t size, DataPieces& pieces) {
    const std::uint64_t headerAt = flushedEnd_ + buffered_;
    if (size >= kSaturated32 || headerAt >= kSaturated32 || entry.name.size() > kSaturated16)
        return WriteStatus::kTooLarge;
    std::string extra;
    CentralRecord r = describe(entry, extra);
    r.method = kMethodDeflated;
    r.size = static_cast<std::uint32_t>(size);
    r.localOffset = static_cast<std::uint32_t>(headerAt);
    if (!writeLocalHeader(r, r.extra)) return WriteStatus::kWriteFailed;
    const std::uint64_t dataStart = flushedEnd_ + buffered_;
    for (;;) {
        std::span<const std::uint8_t> piece;
        const WriteStatus status = pieces.next(piece);
        if (status != WriteStatus::kOk) return status;
        if (piece.empty()) break;
        if (!put(piece.data(), piece.size())) return WriteStatus::kWriteFailed;
    }
    const std::uint64_t compressed = flushedEnd_ + buffered_ - dataStart;
    if (compressed >= kSaturated32) return WriteStatus::kTooLarge;
    r.method = pieces.deflated ? kMethodDeflated : kMethodStored;
    r.crc = pieces.crc;
    r.compressedSize = static_cast<std::uint32_t>(compressed);
    return completeEntry(headerAt, r);
}

// More entries than the end record counts: the ZIP64 end record and its
// locator carry the counts, the end record saturated ones. Sizes and
// offsets still fit their 32-bit fields.
bool ZipWriter::writeZip64End(std::uint64_t directoryStart, std::uint64_t directorySize) {
    const std::uint64_t recordAt = flushedEnd_ + buffered_;
    Zip64EndRecord record;
    record.entriesHere = record.entries = entryCount_;
    record.directorySize = directorySize;
    record.directoryOffset = directoryStart;
    std::uint8_t z[kZip64EndSize];
    storeZip64EndRecord(record, z);
    Zip64Locator locator;
    locator.endRecordOffset = recordAt;
    std::uint8_t l[kZip64LocatorSize];
    storeZip64Locator(locator, l);
    return put(z, sizeof z) && put(l, sizeof l);
}

void ZipWriter::reserveDirectory(std::uint64_t bytes) {
    // Only a hint: a directory that claims more than the format allows gets
    // none, and one that outgrows it simply grows.
    if (bytes < kSaturated32) directory_.reserve(static_cast<std::size_t>(bytes));
}

void ZipWriter::appendCentral(const CentralRecord& r) {
    // The central directory always carries the CRC and sizes.
    CentralHeader h;
    h.versionMadeBy = r.versionMadeBy;
    h.versionNeeded = r.versionNeeded;
    h.flags = r.flags;
    h.method = r.method;
    h.dosDateTime = r.dosDateTime;
    h.crc = r.crc;
    h.compressedSize = r.compressedSize;
    h.size = r.size;
    h.nameLength = static_cast<std::uint16_t>(r.name.size());
    h.extraLength = static_cast<std::uint16_t>(r.extra.size());
    h.externalAttributes = r.externalAttributes;
    h.localHeaderOffset = r.localOffset;
    std::uint8_t bytes[kCentralHeaderSize];
    storeCentralHeader(h, bytes);
    const auto* name = reinterpret_cast<const std::uint8_t*>(r.name.data());
    const auto* extra = reinterpret_cast<const std::uint8_t*>(r.extra.data());
    directory_.insert(directory_.end(), bytes, bytes + sizeof bytes);
    directory_.insert(directory_.end(), name, name + r.name.size());
    directory_.insert(directory_.end(), extra, extra + r.extra.size());
    ++entryCount_;
}

WriteStatus ZipWriter::finish(std::string_view comment) {
    const std::uint64_t directoryStart = flushedEnd_ + buffered_;
    if (directoryStart >= kSaturated32) return WriteStatus::kTooLarge;
    if (!put(directory_.data(), directory_.size())) return WriteStatus::kWriteFailed;
    const std::uint64_t directorySize = flushedEnd_ + buffered_ - directoryStart;
    if (directoryStart + directorySize >= kSaturated32) return WriteStatus::kTooLarge;
    const bool zip64 = entryCount_ >= kSaturated16;
    if (zip64 && !writeZip64End(directoryStart, directorySize)) return WriteStatus::kWriteFailed;
    const auto counted = static_cast<std::uint16_t>(zip64 ? kSaturated16 : entryCount_);
    const std::string_view kept = comment.substr(0, kMaxCommentSize);
    EndRecord end;
    end.entriesHere = end.entries = counted;
    end.directorySize = static_cast<std::uint32_t>(directorySize);
    end.directoryOffset = static_cast<std::uint32_t>(directoryStart);
    end.commentLength = static_cast<std::uint16_t>(kept.size());
    std::uint8_t e[kEndOfCentralSize];
    storeEndRecord(end, e);
    if (!put(e, sizeof e) || !put(kept.data(), kept.size()) || !flush()) return WriteStatus::kWriteFailed;
    return WriteStatus::kOk;
}

}  // namespace tavrix::zip
