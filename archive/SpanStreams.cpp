// What both span operations share: the input stream that goes on across
// volumes, the output queue of the volume being written, and the handling of
// a failure. Apart from WriteSpan, so that a program that only joins sets
// (the installer) does not carry the writing side.
#include "ArchiveBuilder.h"

#include "MessageIds.h"
#include "SpanIo.h"
#include "Win32Support.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

namespace tavrix::archive {

void TArchiveBuilder::keepResponsive() {
    // The queue a few dozen times a second keeps the window painting and a
    // Cancel button heard; on every small header write it would cost more
    // than the copy.
    constexpr DWORD kPumpInterval = 20;  // ms
    const DWORD now = ::GetTickCount();
    if (now - lastMessagePump_ >= kPumpInterval) {
        lastMessagePump_ = now;
        processMessages();
    }
    if (cancel_) throw EArchiveBuilder(msg::UserCanceled, false);
}

std::size_t TArchiveBuilder::readInStream(std::uint8_t* out, std::size_t count) {
    std::size_t total = 0;
    while (total < count) {
        std::size_t got = 0;
        const bool ahead = inPosition_ >= inAheadAt_ && inPosition_ < inAheadAt_ + inAheadLength_;
        if (inFile_ && !ahead && count - total >= kSpanCopyChunk / 2) {
            // A large read goes straight to the caller: read-ahead is for
            // the many small headers.
            got = inFile_->readAt(inPosition_, out + total, count - total);
        } else if (inFile_) {
            if (!ahead) {
                // Read ahead: one large request for many small headers.
                inAhead_.resize(kSpanCopyChunk);
                inAheadAt_ = inPosition_;
                inAheadLength_ = inFile_->readAt(inPosition_, inAhead_.data(), inAhead_.size());
            }
            const std::uint64_t offset = inPosition_ - inAheadAt_;
            if (offset < inAheadLength_) {
                got = std::min<std::size_t>(count - total, inAheadLength_ - static_cast<std::size_t>(offset));
                std::memcpy(out + total, inAhead_.data() + offset, got);
            }
        }
        inPosition_ += got;
        total += got;
        if (total == count) break;
        if (got != 0) continue;
        // Joining: a read that meets the end of one volume goes on with the
        // next one; writing reads one file and stops at its end.
        if (!joining_ || !inFile_ || inPosition_ != inFile_->size() || currentDisk_ >= lastDiskNumber_) break;
        GetNewDisk(currentDisk_ + 1);
        inAheadLength_ = 0;
    }
    return total;
}

void TArchiveBuilder::writeOut(const void* data, std::size_t length, int errorId) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // Small pieces (headers, names) are gathered; a whole chunk of data goes
    // out as it is, without a copy through the queue.
    if (length >= kSpanCopyChunk / 2) {
        flushOut(errorId);
        if (!outFile_ || !writeAll(outFile_.get(), bytes, length)) throw EArchiveBuilder(errorId, true);
        return;
    }
    outPending_.insert(outPending_.end(), bytes, bytes + length);
    if (outPending_.size() >= kSpanCopyChunk) flushOut(errorId);
}

void TArchiveBuilder::flushOut(int errorId) {
    if (outPending_.empty()) return;
    const bool written = outFile_ && writeAll(outFile_.get(), outPending_.data(), outPending_.size());
    outPending_.clear();
    if (!written) throw EArchiveBuilder(errorId, true);
}

void TArchiveBuilder::readInExactly(void* out, std::size_t count, int errorId) {
    if (readInStream(static_cast<std::uint8_t*>(out), count) != count) throw EArchiveBuilder(errorId, true);
}

int TArchiveBuilder::runSpanBody(const std::function<void()>& body, std::optional<EArchiveBuilder>& failure) {
    try {
        body();
        return 0;
    } catch (const EArchiveBuilder& error) {
        failure = error;
        return -7;
    } catch (const std::bad_alloc&) {
        return -8;
    } catch (...) {
        return -9;
    }
}

void TArchiveBuilder::reportSpanFailure(int result, const std::optional<EArchiveBuilder>& failure,
                                        bool writing) {
    try {
        if (failure)
            ShowExceptionError(*failure);
        else
            ShowArchiveMessage(result == -8 ? msg::OutOfMemory : msg::SpanUnknownError);
        if (writing && !completeVolumes_.empty() && OnMessage) {
            std::string names;
            for (const std::string& volume : completeVolumes_) names += (names.empty() ? "" : ", ") + volume;
            OnMessage(this, 0, EArchiveBuilder(msg::CompleteVolumes, names).what());
        }
        // A progress display always sees the end of the batch.
        reportProgress(pgBatchEnd, {}, 0);
    } catch (...) {
    }
}

}  // namespace tavrix::archive
