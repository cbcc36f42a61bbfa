#include "panelhost/SharedBlock.h"

#include <cstring>

namespace tavrix::panel {

bool SharedBlock::create() {
    if (exists()) return true;
    mapping_.reset(::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSize, kName));
    if (!mapping_) return false;
    view_.reset(::MapViewOfFile(mapping_.get(), FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    if (!view_) {
        mapping_.reset();
        return false;
    }
    return true;
}

void SharedBlock::remove() {
    view_.reset();
    mapping_.reset();
}

void SharedBlock::setAppearanceWord(std::uint32_t word) {
    if (exists())
        std::memcpy(static_cast<std::uint8_t*>(view_.get()) + kAppearanceWordOffset, &word, sizeof word);
}

std::uint32_t SharedBlock::appearanceWord() const {
    std::uint32_t word = 0;
    if (exists())
        std::memcpy(&word, static_cast<const std::uint8_t*>(view_.get()) + kAppearanceWordOffset,
                    sizeof word);
    return word;
}

}  // namespace tavrix::panel
