// Bitmap resources come from whatever module a panel names: the decoder must
// refuse damage, never read past the bytes it is given.
#include <cstddef>
#include <cstdint>

#include "panelhost/Image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    auto result = tavrix::panel::decodePackedDib({data, size});
    if (result.image &&
        result.image->pixels.size() != std::size_t(result.image->width) * result.image->height)
        __builtin_trap();
    return 0;
}
