// Where an operation reports its progress and its problems.
//
// Order within one batch: fileCount and byteCount before the first file; per
// file one fileStart and advances that add up to its size; one batchEnd.
// Every progress call answers whether the caller asks to stop.
#pragma once

#include <cstdint>
#include <string_view>

#include "engines/core/Messages.h"

namespace tavrix::zip {

class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual bool fileCount(std::uint64_t files) = 0;
    virtual bool byteCount(std::uint64_t bytes) = 0;
    virtual bool fileStart(std::string_view name, std::uint64_t size) = 0;
    virtual bool advance(std::uint64_t bytes) = 0;
    virtual bool batchEnd() = 0;
    virtual bool message(MessageId id, std::string_view subject) = 0;
};

// Advances are reported at least this often, counted in bytes of the file:
// a few milliseconds of inflating, so a caller that pumps its window messages
// on every report stays responsive without paying for a pump every few
// kilobytes (a pump costs tens of microseconds under Wine).
inline constexpr std::size_t kAdvanceStep = 1024 * 1024;

}  // namespace tavrix::zip
