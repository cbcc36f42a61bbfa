#include "engines/core/ZipCrypto.h"

#include <zlib.h>

namespace tavrix::zip {
namespace {

std::uint32_t crcStep(std::uint32_t crc, std::uint8_t byte) {
    static const z_crc_t* const table = ::get_crc_table();
    return static_cast<std::uint32_t>(table[(crc ^ byte) & 0xFF]) ^ (crc >> 8);
}

}  // namespace

ZipCrypto::ZipCrypto(std::string_view password) {
    for (char ch : password) update(static_cast<std::uint8_t>(ch));
}

void ZipCrypto::update(std::uint8_t plain) {
    key0_ = crcStep(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813 + 1;
    key2_ = crcStep(key2_, static_cast<std::uint8_t>(key1_ >> 24));
}

}  // namespace tavrix::zip
