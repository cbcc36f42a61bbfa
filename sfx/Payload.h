// What follows the stub's image in a self-extractor: the settings block (when
// the component wrote one) and the archive.
#pragma once

#include <cstdint>
#include <optional>

#include "common/SfxSettingsBlock.h"
#include "engines/core/FileSystem.h"

namespace tavrix::sfx {

struct Payload {
    std::uint64_t imageEnd = 0;
    std::optional<SfxSettings> settings;  // none: the plain dialog and its defaults
    std::uint64_t archiveStart = 0;       // where the archive's bytes begin
};

// Empty when the file is not a program whose image ends inside it.
std::optional<Payload> locatePayload(RandomAccessInput& file);

}  // namespace tavrix::sfx
