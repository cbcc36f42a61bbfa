// Reading the strings an exec record points to (32-bit addresses).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AnsiText.h"

namespace tavrix::engines {

inline const char* textAt(std::uint32_t address) {
    return reinterpret_cast<const char*>(static_cast<std::uintptr_t>(address));
}

// The string at `address` as UTF-8; empty for a null address.
inline std::string utf8At(std::uint32_t address) { return ansiToUtf8(textAt(address)); }

// The bytes at `address` unchanged (passwords are used as typed).
inline std::string bytesAt(std::uint32_t address) {
    const char* text = textAt(address);
    return text ? std::string(text) : std::string();
}

// Specification strings from an array of fixed-size entries whose first
// field is the string's address; empty strings and null addresses are skipped.
template <typename Entry>
std::vector<std::string> specsFromEntries(std::uint32_t arrayAddress, std::uint32_t count) {
    std::vector<std::string> specs;
    const auto* entries = reinterpret_cast<const Entry*>(static_cast<std::uintptr_t>(arrayAddress));
    if (!entries) return specs;
    for (std::uint32_t i = 0; i < count; ++i)
        if (std::string spec = utf8At(entries[i].spec); !spec.empty()) specs.push_back(std::move(spec));
    return specs;
}

inline std::vector<std::string> specsFromAddresses(const std::uint32_t* addresses, std::uint32_t count) {
    std::vector<std::string> specs;
    for (std::uint32_t i = 0; i < count; ++i)
        if (std::string spec = utf8At(addresses[i]); !spec.empty()) specs.push_back(std::move(spec));
    return specs;
}

}  // namespace tavrix::engines
