// Writes a ZIP archive front to back into one output file: entries copied
// from another archive, new files compressed (and encrypted), folder
// entries, then the central directory. Sizes and offsets are limited to
// 4 GiB; more than 65,534 entries get the ZIP64 end records.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engines/core/EntryDecoder.h"
#include "engines/core/FileSystem.h"
#include "engines/core/ZipArchive.h"

namespace tavrix::zip {

struct NewEntry {
    std::string name;  // UTF-8, '/' separators; folders end with '/'
    std::uint32_t dosDateTime = 0;
    std::optional<std::int64_t> unixTime;
    FileAttributes attributes;
    bool dosHost = false;  // write DOS attributes only (forced DOS names)
};

enum class WriteStatus { kOk, kStopped, kReadFailed, kWriteFailed, kTooLarge, kChanged };

class DataPieces {
public:
    virtual ~DataPieces() = default;
    // The next piece of the entry's data; an empty one ends it.
    virtual WriteStatus next(std::span<const std::uint8_t>& piece) = 0;
    // Known once the data has ended.
    std::uint32_t crc = 0;
    bool deflated = true;  // false: the pieces are the file itself
};

class ZipWriter {
public:
    explicit ZipWriter(OutputFile& out);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Bytes that precede the first entry (a self-extractor stub).
    WriteStatus copyPrefix(ArchiveReader& reader, std::uint64_t length);
    // Copies an entry's compressed data unchanged, with fresh headers.
    WriteStatus copyEntry(ZipArchive& source, const ZipEntry& entry);
    WriteStatus addDirectory(const NewEntry& entry);
    // Reads `input` to its end (its size as opened), compressing at `level`
    // (0 stores) and encrypting with `password` when it is not empty.
    // `progress` receives the input bytes as they are read.
    WriteStatus addFile(const NewEntry& entry, RandomAccessInput& input, int level, std::string_view password,
                        ChunkConsumer& progress);
    // A file of `size` bytes whose data is made elsewhere and handed over
    // in pieces. Not encrypted.
    WriteStatus addPieces(const NewEntry& entry, std::uint64_t size, DataPieces& pieces);
    WriteStatus finish(std::string_view comment);
    // Room for a central directory of about `bytes`, kept from the start
    // rather than regrown (and copied) while the entries are written.
    void reserveDirectory(std::uint64_t bytes);

    std::size_t entryCount() const { return entryCount_; }

private:
    struct CentralRecord {
        std::uint16_t versionMadeBy, versionNeeded, flags, method;
        std::uint32_t dosDateTime, crc, compressedSize, size, externalAttributes, localOffset;
        // Views of storage the caller keeps until the record is written.
        std::string_view name;
        std::string_view extra;
    };
    struct Compressor;

    bool put(const void* data, std::size_t count);
    bool flush();
    bool patch(std::uint64_t offset, const void* data, std::size_t count);
    bool writeLocalHeader(const CentralRecord& record, std::string_view localExtra);
    // The CRC and sizes after the data, for entries whose local header could not carry them.
    bool writeDataDescriptor(const CentralRecord& record);
    // Puts the method, CRC and sizes into the local header written at
    // `headerAt` (or a data descriptor after the data) and keeps the central record.
    WriteStatus completeEntry(std::uint64_t headerAt, const CentralRecord& record);
    bool writeZip64End(std::uint64_t directoryStart, std::uint64_t directorySize);
    WriteStatus writeData(RandomAccessInput& input, std::uint64_t size, int level, std::string_view password,
                          const CentralRecord& record, ChunkConsumer& progress, std::uint32_t& crc);
    // `extra` holds the record's extra fields.
    static CentralRecord describe(const NewEntry& entry, std::string& extra);
    // The entry's central header, kept in directory_ until finish().
    void appendCentral(const CentralRecord& record);

    OutputFile& out_;
    std::vector<std::uint8_t> buffer_;
    std::size_t buffered_ = 0;
    std::uint64_t flushedEnd_ = 0;  // file offset where buffer_ starts
    // The central directory as it will be written: built while the entries
    // go out, so that a large archive holds no record objects.
    std::vector<std::uint8_t> directory_;
    std::size_t entryCount_ = 0;
    std::vector<std::uint8_t> input_;
    Compressor* compressor_ = nullptr;
    int compressorLevel_ = -1;
};

}  // namespace tavrix::zip
