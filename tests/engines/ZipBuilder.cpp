#include "tests/engines/ZipBuilder.h"

#include <zlib.h>

#include "engines/core/ZipCrypto.h"

namespace tavrix::ziptest {
namespace {

void le16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void le32(std::string& out, std::uint32_t v) {
    le16(out, v & 0xFFFF);
    le16(out, v >> 16);
}

struct Placed {
    std::uint32_t offset, crc, compressedSize, size;
    std::uint16_t flags, method;
};

}  // namespace

std::uint32_t crcOf(const std::string& data) {
    return static_cast<std::uint32_t>(
        ::crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string deflateRaw(const std::string& data, int level) {
    z_stream z{};
    deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string buildZip(const std::vector<BuildEntry>& entries, const std::string& comment) {
    std::string zip;
    std::vector<Placed> placed;
    for (const BuildEntry& e : entries) {
        if (e.shareDataWith) {
            placed.push_back(placed.at(*e.shareDataWith));
            continue;
        }
        Placed p{};
        p.offset = static_cast<std::uint32_t>(zip.size());
        p.method = e.method;
        p.crc = crcOf(e.data) ^ (e.damageCrc ? 0x00010000u : 0u);
        p.size = e.declaredSize ? *e.declaredSize : static_cast<std::uint32_t>(e.data.size());
        p.flags = e.extraFlags;
        std::string body = e.method == 8 ? deflateRaw(e.data) : e.data;
        if (!e.password.empty()) {
            p.flags |= 1;
            std::string header(12, '\x5A');
            header[11] = static_cast<char>(e.dataDescriptor ? (e.dosDateTime >> 8) : (crcOf(e.data) >> 24));
            if (e.dataDescriptor) p.flags |= 8;
            zip::ZipCrypto crypto(e.password);
            std::string all = header + body;
            crypto.encrypt(reinterpret_cast<std::uint8_t*>(all.data()), all.size());
            body = all;
        }
        if (e.dataDescriptor) p.flags |= 8;
        p.compressedSize = static_cast<std::uint32_t>(body.size());
        const bool deferred = (p.flags & 8) != 0;
        le32(zip, 0x04034b50);
        le16(zip, 20);
        le16(zip, p.flags);
        le16(zip, p.method);
        le32(zip, e.dosDateTime);
        le32(zip, deferred ? 0 : p.crc);
        le32(zip, deferred ? 0 : p.compressedSize);
        le32(zip, deferred ? 0 : p.size);
        le16(zip, static_cast<std::uint32_t>(e.name.size()));
        le16(zip, 0);
        zip += e.name;
        zip += body;
        if (deferred) {
            le32(zip, 0x08074b50);
            le32(zip, p.crc);
            le32(zip, p.compressedSize);
            le32(zip, p.size);
        }
        placed.push_back(p);
    }
    const std::uint32_t directoryStart = static_cast<std::uint32_t>(zip.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const BuildEntry& e = entries[i];
        const Placed& p = placed[i];
        le32(zip, 0x02014b50);
        le16(zip, e.versionMadeBy);
        le16(zip, 20);
        le16(zip, p.flags);
        le16(zip, p.method);
        le32(zip, e.dosDateTime);
        le32(zip, p.crc);
        le32(zip, p.compressedSize);
        le32(zip, p.size);
        le16(zip, static_cast<std::uint32_t>(e.name.size()));
        le16(zip, 0);
        le16(zip, 0);
        le16(zip, 0);
        le16(zip, 0);
        le32(zip, e.externalAttributes);
        le32(zip, p.offset);
        zip += e.name;
    }
    const std::uint32_t directorySize = static_cast<std::uint32_t>(zip.size()) - directoryStart;
    le32(zip, 0x06054b50);
    le16(zip, 0);
    le16(zip, 0);
    le16(zip, static_cast<std::uint32_t>(entries.size()));
    le16(zip, static_cast<std::uint32_t>(entries.size()));
    le32(zip, directorySize);
    le32(zip, directoryStart);
    le16(zip, static_cast<std::uint32_t>(comment.size()));
    zip += comment;
    return zip;
}

}  // namespace tavrix::ziptest
