// The component's side of the portable spanning code: reading goes through
// the component's read-ahead stream (which asks for the next disk where a
// volume ends), writing through WriteJoin, failures become the operation's.
#pragma once

#include "archive/ArchiveBuilder.h"
#include "archive/ArchiveMessages.h"
#include "archive/SpanJoin.h"

namespace tavrix::archive {

class TArchiveBuilder::SpanIo final : public JoinIo {
public:
    explicit SpanIo(TArchiveBuilder& builder) : b_(builder) {}

    bool read(void* out, std::size_t count, int errorId) override {
        return b_.readInExactly(out, count, errorId);
    }
    void fail(int errorId) override { b_.fail(EArchiveBuilder(errorId, true)); }
    bool failed() const override { return b_.failed(); }
    bool openVolume(int disk) override {
        b_.GetNewDisk(disk);
        return !b_.failed();
    }
    std::uint64_t volumeSize() const override { return b_.inFile_ ? b_.inFile_->size() : 0; }
    void seek(std::uint64_t offset) override { b_.span_->inPosition = offset; }
    bool write(const void* data, std::size_t count, int errorId) override {
        b_.WriteJoin(data, count, errorId);
        return !b_.failed();
    }
    bool copy(std::uint64_t length, int errorId) override {
        b_.RWJoinData(length, errorId);
        return !b_.failed();
    }
    std::uint64_t written() const override { return b_.span_->outByteCount; }
    void copyStarts(std::uint64_t entries, std::uint64_t bytes) override {
        if (!b_.roomForJoin(bytes)) return;
        b_.span_->reportBytes = true;
        b_.reportProgress(pgFileCount, {}, static_cast<std::int64_t>(entries));
        b_.reportProgress(pgByteCount, {}, static_cast<std::int64_t>(bytes));
    }
    void entryStarts(const std::string& shownName, std::uint64_t bytes) override {
        if (b_.OnMessage) b_.OnMessage(&b_, 0, copying() + shownName);
        b_.reportProgress(pgFileStart, shownName, static_cast<std::int64_t>(bytes));
    }

    // "Copying: " in the program's language.
    const std::string& copying() {
        if (copying_.empty()) copying_ = LoadArchiveStr(msg::Copying, missingMessageText(msg::Copying));
        return copying_;
    }

private:
    TArchiveBuilder& b_;
    std::string copying_;
};

}  // namespace tavrix::archive
