// Files the archive tests read: the committed corpus (copied beside the test
// programs) and the archives the peers make at test time.
#pragma once

#include "archive/DirectoryReader.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tavrix::archive::testing {

inline std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Appends the `bytes` low bytes of `value`, least significant first, as ZIP
// records store numbers.
inline void appendLe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One entry's headers as a test writes them by hand: what it leaves out is
// zero (flags, time and date, attributes, comment).
struct TestHeader {
    std::string name;
    std::uint16_t madeBy = 20;
    std::uint16_t needed = 10;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
    std::uint32_t compressed = 0;
    std::uint32_t uncompressed = 0;
    std::uint16_t disk = 0;    // central header only
    std::uint32_t offset = 0;  // central header only
    std::vector<std::uint8_t> extra;
};

namespace detail {
// What both headers hold in the same order: from the version needed to the
// extra field's length.
inline void appendSharedFields(std::vector<std::uint8_t>& out, const TestHeader& h) {
    appendLe(out, h.needed, 2);
    appendLe(out, h.flags, 2);
    appendLe(out, h.method, 2);
    appendLe(out, 0, 4);  // time and date
    appendLe(out, h.crc, 4);
    appendLe(out, h.compressed, 4);
    appendLe(out, h.uncompressed, 4);
    appendLe(out, h.name.size(), 2);
    appendLe(out, h.extra.size(), 2);
}
inline void appendNameAndExtra(std::vector<std::uint8_t>& out, const TestHeader& h) {
    out.insert(out.end(), h.name.begin(), h.name.end());
    out.insert(out.end(), h.extra.begin(), h.extra.end());
}
}  // namespace detail

// The 30-byte local header, the name and the extra field.
inline void appendLocalHeader(std::vector<std::uint8_t>& out, const TestHeader& h) {
    appendLe(out, 0x04034b50, 4);
    detail::appendSharedFields(out, h);
    detail::appendNameAndExtra(out, h);
}

// The 46-byte central header, the name and the extra field.
inline void appendCentralHeader(std::vector<std::uint8_t>& out, const TestHeader& h) {
    appendLe(out, 0x02014b50, 4);
    appendLe(out, h.madeBy, 2);
    detail::appendSharedFields(out, h);
    appendLe(out, 0, 2);  // comment
    appendLe(out, h.disk, 2);
    appendLe(out, 0, 2 + 4);  // attributes
    appendLe(out, h.offset, 4);
    detail::appendNameAndExtra(out, h);
}

// The 22-byte classic end record, without a comment.
struct TestEndRecord {
    std::uint16_t thisDisk = 0;
    std::uint16_t directoryDisk = 0;
    std::uint16_t entriesHere = 0;
    std::uint16_t entries = 0;
    std::uint32_t directorySize = 0;
    std::uint32_t directoryOffset = 0;
};

inline void appendEndRecord(std::vector<std::uint8_t>& out, const TestEndRecord& e) {
    appendLe(out, 0x06054b50, 4);
    appendLe(out, e.thisDisk, 2);
    appendLe(out, e.directoryDisk, 2);
    appendLe(out, e.entriesHere, 2);
    appendLe(out, e.entries, 2);
    appendLe(out, e.directorySize, 4);
    appendLe(out, e.directoryOffset, 4);
    appendLe(out, 0, 2);
}

inline std::string fromHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

// What the directory reader makes of a file, with the warnings it gave.
struct Listed {
    std::vector<std::uint8_t> bytes;
    EndRecordSearch end;
    DirectoryListing listing;
    ReadError error;
    std::vector<int> warnings;
};

inline Listed listFile(const std::string& path, CPOpts codePage = cpAUTO) {
    Listed out;
    out.bytes = readFile(path);
    MemoryInput source(out.bytes);
    DirectoryOptions options;
    options.codePage = codePage;
    options.warn = [&out](int id) { out.warnings.push_back(id); };
    out.error = listArchive(source, options, out.end, out.listing);
    return out;
}

// The listing zipinfo gave of a peer's archive (see make_real_archives.py).
struct PeerListing {
    struct Entry {
        std::uint32_t uncompressed;
        std::uint32_t compressed;
        std::string name;
    };
    std::size_t count = 0;
    std::string comment;
    std::vector<Entry> entries;
};

inline PeerListing readPeerListing(const std::string& path) {
    PeerListing peer;
    std::ifstream in(path);
    std::string word, hex;
    in >> word >> peer.count;
    in >> word;
    std::getline(in, hex);
    if (!hex.empty() && hex[0] == ' ') hex.erase(0, 1);
    peer.comment = fromHex(hex);
    PeerListing::Entry e;
    while (in >> e.uncompressed >> e.compressed >> hex) {
        e.name = fromHex(hex);
        peer.entries.push_back(e);
    }
    return peer;
}

}  // namespace tavrix::archive::testing
