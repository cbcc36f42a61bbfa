// scenery.cfg as anyone may have edited it: whatever the editor accepts, an
// area added to it reads back (the removal parses the new text again), and
// taking it out gives the input back byte for byte.
#include <cstdint>
#include <string_view>

#include "installer/SceneryLibrary.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrix::installer;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto added = addSceneryArea(text, {"Fuzzed Field", "Scenery\\Fuzzed", std::nullopt});
    if (!added) return 0;
    if (added->alreadyListed) {
        if (added->text != text) __builtin_trap();
        return 0;
    }
    const auto removed = removeSceneryArea(added->text, added->listed);
    if (!removed || !removed->found || removed->text != text) __builtin_trap();
    return 0;
}
