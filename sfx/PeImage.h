// Where a Windows program's own image ends in its file: the end of the last
// section's raw data, read from the section table. What a self-extractor
// carries (its settings and its archive) starts there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tavrix::sfx {

// Bytes the headers and section table of any program this stub could be
// lie within; a longer table is not a program we wrote.
inline constexpr std::size_t kPeHeadBytes = 64 * 1024;

// `head` is the start of the file (up to kPeHeadBytes). Empty when it is not
// a PE file or its tables run outside `head` or past `fileSize`.
std::optional<std::uint64_t> peImageEnd(std::span<const std::uint8_t> head, std::uint64_t fileSize);

}  // namespace tavrix::sfx
