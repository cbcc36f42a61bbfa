// Builds small ZIP archives byte by byte for tests, including ones no
// honest writer makes: any name, wrong sizes or CRCs, shared data, unknown
// methods.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrix::ziptest {

struct BuildEntry {
    std::string name{};
    std::string data{};
    std::uint16_t method = 8;              // 0 stored, 8 deflated, anything else as given
    std::uint16_t versionMadeBy = 0x0014;  // DOS host
    std::uint16_t extraFlags = 0;          // added to the flags the builder sets
    std::uint32_t externalAttributes = 0;
    std::uint32_t dosDateTime = 0x5A8C6000;  // 2025-04-12 12:00:00
    std::string password{};                  // encrypts when set
    bool damageCrc = false;
    std::optional<std::uint32_t> declaredSize{};  // instead of the true size
    std::optional<std::size_t> shareDataWith{};   // point at an earlier entry's header
    bool dataDescriptor = false;
};

std::string buildZip(const std::vector<BuildEntry>& entries, const std::string& comment = {});

std::string deflateRaw(const std::string& data, int level = 6);
std::uint32_t crcOf(const std::string& data);

}  // namespace tavrix::ziptest
