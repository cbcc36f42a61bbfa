// The memory of one engine call: the exec record and every string copy it
// points at. The engine keeps nothing after it returns, so all of it lives
// exactly as long as the call; the destructor frees it in a fixed order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/EngineContract.h"

namespace tavrix::archive {

class ExecRecordMemory {
public:
    explicit ExecRecordMemory(std::size_t recordSize);
    ~ExecRecordMemory();
    ExecRecordMemory(const ExecRecordMemory&) = delete;
    ExecRecordMemory& operator=(const ExecRecordMemory&) = delete;

    std::uint8_t* record() { return record_.get(); }
    std::size_t recordSize() const { return recordSize_; }
    template <typename Record>
    Record& as() {
        static_assert(sizeof(Record) <= sizeof(PackExecRecordOld));
        return *reinterpret_cast<Record*>(record_.get());
    }

    // Each returns the address of a NUL-terminated copy of its own.
    RecordAddress copyArchivePath(const std::string& path);
    RecordAddress copyPassword(const std::string& password);
    RecordAddress copyTempDir(const std::string& dir);
    RecordAddress copyPattern(const std::string& pattern);  // in list order
    // A zeroed array of `count` entries of `entrySize` bytes.
    std::uint8_t* allocateEntries(std::size_t count, std::size_t entrySize);

private:
    static std::unique_ptr<char[]> copyOf(const std::string& text);

    std::size_t recordSize_;
    std::unique_ptr<std::uint8_t[]> record_;
    std::unique_ptr<char[]> archivePath_;
    std::unique_ptr<char[]> password_;
    std::unique_ptr<char[]> tempDir_;
    std::vector<std::unique_ptr<char[]>> patterns_;
    std::unique_ptr<std::uint8_t[]> entries_;
};

// The file patterns, each in a copy of its own, in list order: inline in the
// older layout, as an array of entries in the newer one. False when the
// older record cannot hold them all.
template <typename NewRecord, typename OldRecord, typename Entry>
bool storeFilePatterns(ExecRecordMemory& memory, const std::vector<std::string>& patterns, bool newer) {
    if (!newer && patterns.size() > kOldLayoutMaxSpecs) return false;
    if (newer) {
        NewRecord& r = memory.as<NewRecord>();
        r.common.specCount = static_cast<std::uint32_t>(patterns.size());
        if (!patterns.empty()) {
            auto* entries = reinterpret_cast<Entry*>(memory.allocateEntries(patterns.size(), sizeof(Entry)));
            for (std::size_t i = 0; i < patterns.size(); ++i)
                entries[i].spec = memory.copyPattern(patterns[i]);
            r.specs = recordAddress(entries);
        }
        r.marker = kRecordMarker;
    } else {
        OldRecord& r = memory.as<OldRecord>();
        r.common.specCount = static_cast<std::uint32_t>(patterns.size());
        for (std::size_t i = 0; i < patterns.size(); ++i) r.specs[i] = memory.copyPattern(patterns[i]);
        r.marker = kRecordMarker;
    }
    return true;
}

}  // namespace tavrix::archive
