// Fuzz target: any bytes as an archive. The directory is read, every entry's
// name is checked and every entry is decoded (as in test mode) with a
// password, so the reader, the decoder and the name rules all see hostile
// input. Nothing may crash, hang or read out of bounds.
#include <cstdint>
#include <memory>

#include "common/support/RandomAccessInput.h"
#include "common/zip/SafeName.h"
#include "engines/core/EntryDecoder.h"
#include "engines/core/NameCodec.h"
#include "engines/core/ZipArchive.h"

namespace {

using namespace tavrix::zip;

class Discard final : public ChunkConsumer {
public:
    bool progress(std::size_t) override { return true; }
    bool consume(const std::uint8_t*, std::size_t) override { return true; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ZipArchive::OpenError error{};
    auto archive = ZipArchive::open(
        std::make_unique<tavrix::MemoryInput>(std::span<const std::uint8_t>(data, size)), error);
    if (!archive) return 0;
    EntryDecoder decoder;
    Discard discard;
    for (const ZipEntry& entry : archive->entries()) {
        (void)checkEntryName(decodeEntryName(entry, NameCodePage::kAuto));
        (void)entry.isDirectory();
        (void)entry.isSymlink();
        DataSpan span;
        if (archive->locateData(entry, span) != ZipArchive::Placement::kOk) continue;
        // Declared sizes are bounded by the input, so a bomb cannot run long.
        if (entry.size > 64u * 1024 * 1024) continue;
        (void)decoder.decode(archive->reader(), entry, span, "pw", discard);
    }
    return 0;
}
