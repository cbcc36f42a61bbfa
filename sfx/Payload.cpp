#include "sfx/Payload.h"

#include <algorithm>
#include <vector>

#include "sfx/PeImage.h"

namespace tavrix::sfx {

std::optional<Payload> locatePayload(RandomAccessInput& file) {
    const std::uint64_t size = file.size();
    std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(size, kPeHeadBytes)));
    if (!file.readExactly(0, head.data(), head.size())) return std::nullopt;
    const std::optional<std::uint64_t> imageEnd = peImageEnd(head, size);
    if (!imageEnd) return std::nullopt;

    Payload payload;
    payload.imageEnd = payload.archiveStart = *imageEnd;
    if (size - *imageEnd >= kSettingsBlockSize) {
        std::vector<std::uint8_t> block(kSettingsBlockSize);
        if (!file.readExactly(*imageEnd, block.data(), block.size())) return std::nullopt;
        payload.settings = parseSettingsBlock(block);
        if (payload.settings) payload.archiveStart += kSettingsBlockSize;
    }
    return payload;
}

}  // namespace tavrix::sfx
