// Tells which of its two layouts an exec record has and reads the file patterns
// it lists, for both engines: each passes its own record types from
// EngineRecords.h. The older layout keeps its marker right after the common
// fields, where the newer layout keeps the address of its pattern entries, so
// the marker is looked for there first and at the newer layout's place after.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "contract/EngineRecords.h"
#include "engines/core/Progress.h"
#include "engines/dll/RecordText.h"

namespace tavrix::engines {

// What the layout decides: the file patterns, and the newer layout's record
// for the fields only it has.
template <typename NewRecord>
struct ExecRecordPatterns {
    std::vector<std::string> patterns;
    const NewRecord* newer = nullptr;  // null for the older layout
};

// The marker where `Record` keeps it; copied out, as the record may be unaligned.
template <typename Record>
std::uint32_t markerAt(const std::uint8_t* raw) {
    std::uint32_t marker = 0;
    std::memcpy(&marker, raw + offsetof(Record, marker), sizeof marker);
    return marker;
}

// The file patterns of the record at `raw`, whose common fields give
// `patternCount`; nothing (after telling `sink` why) when the record has
// neither layout or counts more patterns than the older layout has room for.
template <typename OldRecord, typename NewRecord, typename PatternEntry>
std::optional<ExecRecordPatterns<NewRecord>> readFilePatterns(const std::uint8_t* raw,
                                                              std::uint32_t patternCount,
                                                              zip::ProgressSink& sink) {
    if (markerAt<OldRecord>(raw) == contract::kRecordMarker) {
        if (patternCount > contract::kOldLayoutMaxSpecs) {
            sink.message(zip::MessageId::kBadRecord, "too many file specifications");
            return std::nullopt;
        }
        const auto* old = reinterpret_cast<const OldRecord*>(raw);
        return ExecRecordPatterns<NewRecord>{specsFromAddresses(old->specs, patternCount), nullptr};
    }
    if (markerAt<NewRecord>(raw) != contract::kRecordMarker) {
        sink.message(zip::MessageId::kBadRecord, "unknown layout");
        return std::nullopt;
    }
    const auto* fresh = reinterpret_cast<const NewRecord*>(raw);
    return ExecRecordPatterns<NewRecord>{specsFromEntries<PatternEntry>(fresh->specs, patternCount), fresh};
}

}  // namespace tavrix::engines
