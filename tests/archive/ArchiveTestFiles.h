// Files the archive tests read: the committed corpus (copied beside the test
// programs) and the archives the peers make at test time.
#pragma once

#include "DirectoryReader.h"

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
    MemoryByteSource source(out.bytes);
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
