// aircraft.cfg as anyone may have edited it: whatever the editor accepts, a
// repaint added to it reads back (the removal parses the new text again),
// and taking it out gives the input back byte for byte.
#include <cstdint>
#include <string_view>

#include "installer/AircraftRepaints.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tavrix::installer;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    for (unsigned base : {0u, 1u}) {
        const auto added = addRepaint(text, {"Fuzzed Livery", "Fuzzed", base});
        if (!added) continue;
        if (added->alreadyListed) {
            if (added->text != text) __builtin_trap();
            continue;
        }
        const auto removed = removeRepaint(added->text, added->listed);
        if (!removed || !removed->found || removed->text != text) __builtin_trap();
    }
    return 0;
}
