// What the stub reads from its own file, which anyone may have cut, padded or
// crafted: the image's end, the settings block, and the archive behind them.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engines/core/ZipArchive.h"
#include "sfx/Payload.h"
#include "sfx/PeImage.h"

namespace {

class MemoryFile final : public tavrix::zip::InputFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset > size_) return -1;
        const std::size_t n = std::min<std::size_t>(count, size_ - static_cast<std::size_t>(offset));
        if (n) std::memcpy(buffer, data_ + offset, n);
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile file(data, size);
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
    auto archive = tavrix::zip::ZipArchive::open(std::make_unique<MemoryFile>(data, size), error);
    if (archive)
        for (const auto& entry : archive->entries()) {
            tavrix::zip::DataSpan span;
            archive->locateData(entry, span);
        }
    return 0;
}
