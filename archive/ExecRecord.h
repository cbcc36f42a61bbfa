// The memory of one engine call: the exec record and every string copy it
// points at. The engine keeps nothing after it returns, so all of it lives
// exactly as long as the call; the destructor frees it in a fixed order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "EngineContract.h"

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
    RecordAddress copySpec(const std::string& spec);  // in list order
    // A zeroed array of `count` entries of `entrySize` bytes.
    std::uint8_t* allocateEntries(std::size_t count, std::size_t entrySize);

private:
    static std::unique_ptr<char[]> copyOf(const std::string& text);

    std::size_t recordSize_;
    std::unique_ptr<std::uint8_t[]> record_;
    std::unique_ptr<char[]> archivePath_;
    std::unique_ptr<char[]> password_;
    std::unique_ptr<char[]> tempDir_;
    std::vector<std::unique_ptr<char[]>> specs_;
    std::unique_ptr<std::uint8_t[]> entries_;
};

}  // namespace tavrix::archive
