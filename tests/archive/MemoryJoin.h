// Volumes of a spanned set held in memory, joined through the joiner's
// JoinIo: what the join fuzzer and the join tests run the joiner on.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "archive/MessageIds.h"
#include "archive/SpanJoin.h"

namespace tavrix::archivetest {

using archive::JoinIo;
namespace msg = archive::msg;

// Volumes held in memory; a read that meets the end of one goes on with the
// next, like the component's stream.
class MemoryJoin final : public JoinIo {
public:
    explicit MemoryJoin(std::vector<std::span<const std::uint8_t>> volumes)
        : volumes_(std::move(volumes)), disk_(static_cast<int>(volumes_.size()) - 1) {}

    bool read(void* out, std::size_t count, int errorId) override {
        if (failure != 0) return false;
        auto* bytes = static_cast<std::uint8_t*>(out);
        while (count != 0) {
            const std::span<const std::uint8_t> volume = volumes_[static_cast<std::size_t>(disk_)];
            const std::size_t part = std::min<std::size_t>(count, volume.size() - position_);
            if (part != 0) std::memcpy(bytes, volume.data() + position_, part);
            bytes += part;
            position_ += part;
            count -= part;
            if (count == 0) break;
            if (disk_ + 1 >= static_cast<int>(volumes_.size())) {
                fail(errorId);
                return false;
            }
            if (!openVolume(disk_ + 1)) return false;
        }
        return true;
    }
    void fail(int errorId) override {
        if (failure == 0) failure = errorId;
    }
    bool failed() const override { return failure != 0; }
    bool openVolume(int disk) override {
        if (failure != 0) return false;
        // The prompt for a disk the set does not have ends the join.
        if (disk < 0 || disk >= static_cast<int>(volumes_.size())) {
            fail(msg::InsertVolume);
            return false;
        }
        disk_ = disk;
        position_ = 0;
        return true;
    }
    std::uint64_t volumeSize() const override { return volumes_[static_cast<std::size_t>(disk_)].size(); }
    void seek(std::uint64_t offset) override {
        if (offset > volumeSize()) std::abort();  // the joiner checks first
        position_ = static_cast<std::size_t>(offset);
    }
    bool write(const void* data, std::size_t count, int) override {
        // A joiner that goes on writing after a failure would leave a
        // broken archive behind, had the failure not been seen.
        if (failure != 0) {
            ++writesAfterFailure;
            return false;
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        out.insert(out.end(), bytes, bytes + count);
        return true;
    }
    bool copy(std::uint64_t length, int errorId) override {
        std::uint8_t chunk[4096];
        while (length != 0) {
            const std::size_t part = static_cast<std::size_t>(std::min<std::uint64_t>(length, sizeof chunk));
            if (!read(chunk, part, errorId) || !write(chunk, part, errorId)) return false;
            length -= part;
        }
        return true;
    }
    std::uint64_t written() const override { return out.size(); }
    void copyStarts(std::uint64_t, std::uint64_t) override { ++starts; }
    void entryStarts(const std::string&, std::uint64_t) override { ++entriesStarted; }

    std::vector<std::uint8_t> out;
    int failure = 0;  // the catalogue id of the first failure
    int writesAfterFailure = 0;
    int starts = 0;
    std::uint64_t entriesStarted = 0;

private:
    std::vector<std::span<const std::uint8_t>> volumes_;
    int disk_;
    std::size_t position_ = 0;
};

}  // namespace tavrix::archivetest
