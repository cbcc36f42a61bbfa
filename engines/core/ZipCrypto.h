// Traditional PKWARE encryption: three keys driven by CRC-32 and the
// password, a 12-byte header in front of the data whose last byte checks
// the password.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tavrix::zip {

class ZipCrypto {
public:
    explicit ZipCrypto(std::string_view password);
    void decrypt(std::uint8_t* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            data[i] = static_cast<std::uint8_t>(data[i] ^ keyByte());
            update(data[i]);
        }
    }
    void encrypt(std::uint8_t* data, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t plain = data[i];
            data[i] = static_cast<std::uint8_t>(plain ^ keyByte());
            update(plain);
        }
    }

private:
    std::uint8_t keyByte() const {
        const std::uint32_t t = (key2_ & 0xFFFF) | 2;
        return static_cast<std::uint8_t>((t * (t ^ 1)) >> 8);
    }
    void update(std::uint8_t plain);

    std::uint32_t key0_ = 0x12345678;
    std::uint32_t key1_ = 0x23456789;
    std::uint32_t key2_ = 0x34567890;
};

}  // namespace tavrix::zip
