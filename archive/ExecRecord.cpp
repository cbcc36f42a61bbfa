#include "archive/ExecRecord.h"

#include <cstring>

namespace tavrix::archive {

ExecRecordMemory::ExecRecordMemory(std::size_t recordSize)
    : recordSize_(recordSize), record_(new std::uint8_t[recordSize]()) {}

// Path, password and folder copies first, then the file patterns from the
// last to the first, the entry array and finally the record itself.
ExecRecordMemory::~ExecRecordMemory() {
    archivePath_.reset();
    password_.reset();
    tempDir_.reset();
    while (!patterns_.empty()) patterns_.pop_back();
    entries_.reset();
    record_.reset();
}

std::unique_ptr<char[]> ExecRecordMemory::copyOf(const std::string& text) {
    std::unique_ptr<char[]> copy(new char[text.size() + 1]);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    return copy;
}

RecordAddress ExecRecordMemory::copyArchivePath(const std::string& path) {
    archivePath_ = copyOf(path);
    return recordAddress(archivePath_.get());
}

RecordAddress ExecRecordMemory::copyPassword(const std::string& password) {
    password_ = copyOf(password);
    return recordAddress(password_.get());
}

RecordAddress ExecRecordMemory::copyTempDir(const std::string& dir) {
    tempDir_ = copyOf(dir);
    return recordAddress(tempDir_.get());
}

RecordAddress ExecRecordMemory::copyPattern(const std::string& pattern) {
    patterns_.push_back(copyOf(pattern));
    return recordAddress(patterns_.back().get());
}

std::uint8_t* ExecRecordMemory::allocateEntries(std::size_t count, std::size_t entrySize) {
    entries_.reset(new std::uint8_t[count * entrySize]());
    return entries_.get();
}

}  // namespace tavrix::archive
