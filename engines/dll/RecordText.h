// Reading the strings an exec record points to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "contract/EngineRecords.h"
#include "engines/dll/AnsiText.h"

namespace tavrix::engines {

using contract::RecordAddress;

inline const char* textAt(RecordAddress address) {
    return contract::recordPointer<const char>(address);
}

// The string at `address` as UTF-8; empty for a null address.
inline std::string utf8At(RecordAddress address) {
    return ansiToUtf8(textAt(address));
}

// The bytes at `address` unchanged (passwords are used as typed).
inline std::string bytesAt(RecordAddress address) {
    const char* text = textAt(address);
    return text ? std::string(text) : std::string();
}

// File patterns from an array of fixed-size entries whose first
// field is the string's address; empty strings and null addresses are skipped.
template <typename Entry>
std::vector<std::string> specsFromEntries(RecordAddress arrayAddress, std::uint32_t count) {
    std::vector<std::string> specs;
    const auto* entries = contract::recordPointer<const Entry>(arrayAddress);
    if (!entries) return specs;
    for (std::uint32_t i = 0; i < count; ++i)
        if (std::string spec = utf8At(entries[i].spec); !spec.empty()) specs.push_back(std::move(spec));
    return specs;
}

inline std::vector<std::string> specsFromAddresses(const RecordAddress* addresses, std::uint32_t count) {
    std::vector<std::string> specs;
    for (std::uint32_t i = 0; i < count; ++i)
        if (std::string spec = utf8At(addresses[i]); !spec.empty()) specs.push_back(std::move(spec));
    return specs;
}

}  // namespace tavrix::engines
