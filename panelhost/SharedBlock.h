// The panel's shared block "mm_master" as the host's switch creates it: the
// gauges only open it, and read the 32-bit word at offset 360 (nonzero: the
// bright look).
#pragma once

#include <cstdint>

#include "common/win32/UniqueHandle.h"

namespace tavrix::panel {

class SharedBlock {
public:
    static constexpr char kName[] = "mm_master";
    static constexpr std::uint32_t kSize = 4096;
    static constexpr std::uint32_t kAppearanceWordOffset = 360;

    bool create();  // false when the system refuses it
    void remove();
    bool exists() const { return static_cast<bool>(view_); }
    void setAppearanceWord(std::uint32_t word);
    std::uint32_t appearanceWord() const;

private:
    win32::UniqueView view_;
    win32::UniqueKernelHandle mapping_;
};

}  // namespace tavrix::panel
