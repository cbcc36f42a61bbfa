// What the stub reads from its own file, which anyone may have cut, padded or
// crafted: the image's end, the settings block, and the archive behind them.
#include <cstdint>
#include <cstring>

#include "common/support/RandomAccessInput.h"
#include "engines/core/ZipArchive.h"
#include "sfx/Payload.h"
#include "sfx/PeImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tavrix::MemoryInput file(std::span<const std::uint8_t>(data, size));
    const auto payload = tavrix::sfx::locatePayload(file);
    if (!payload) return 0;
    if (payload->imageEnd > size || payload->archiveStart > size) __builtin_trap();
    if (payload->settings) {
        const auto& s = *payload->settings;
        if (s.caption.size() + s.defaultDir.size() + s.commandLine.size() > tavrix::sfx::kSettingsStringRoom)
            __builtin_trap();
        // What was read writes back to the same bytes.
        const auto block = tavrix::sfx::buildSettingsBlock(s);
        const std::size_t used = 7 + s.caption.size() + s.defaultDir.size() + s.commandLine.size();
        if (!block || std::memcmp(block->data(), data + payload->imageEnd, used) != 0) __builtin_trap();
    }
    tavrix::zip::ZipArchive::OpenError error{};
    auto archive = tavrix::zip::ZipArchive::open(
        std::make_unique<tavrix::MemoryInput>(std::span<const std::uint8_t>(data, size)), error);
    if (archive)
        for (const auto& entry : archive->entries()) {
            tavrix::zip::DataSpan span;
            archive->locateData(entry, span);
        }
    return 0;
}
