// What both span operations share: the input stream that goes on across
// volumes, the output queue of the volume being written, and the handling of
// a failure. Apart from WriteSpan, so that a program that only joins sets
// (the installer) does not carry the writing side.
#include "archive/ArchiveBuilder.h"

#include "archive/MessageIds.h"
#include "archive/SpanIo.h"
#include "archive/Win32Support.h"

#include <algorithm>
#include <cstring>

namespace tavrix::archive {

bool TArchiveBuilder::keepResponsive() {
    // The queue a few dozen times a second keeps the window painting and a
    // Cancel button heard; on every small header write it would cost more
    // than the copy.
    constexpr DWORD kPumpInterval = 20;  // ms
    const DWORD now = ::GetTickCount();
    if (now - span_->lastMessagePump >= kPumpInterval) {
        span_->lastMessagePump = now;
        processMessages();
    }
    if (cancel_) return fail(EArchiveBuilder(msg::UserCanceled, false));
    // A handler that failed ends the call too; its result says so (-9).
    if (handlerFailed_) return fail(EArchiveBuilder(msg::SpanUnknownError, true));
    return !failed();
}

std::size_t TArchiveBuilder::readInStream(std::uint8_t* out, std::size_t count) {
    std::size_t total = 0;
    while (total < count && !failed()) {
        std::size_t got = 0;
        const bool ahead = span_->inPosition >= span_->inAheadAt &&
                           span_->inPosition < span_->inAheadAt + span_->inAheadLength;
        if (inFile_ && !ahead && count - total >= kSpanCopyChunk / 2) {
            // A large read goes straight to the caller: read-ahead is for
            // the many small headers.
            got = inFile_->readAt(span_->inPosition, out + total, count - total);
        } else if (inFile_) {
            if (!ahead) {
                // Read ahead: one large request for many small headers.
                span_->inAhead.resize(kSpanCopyChunk);
                span_->inAheadAt = span_->inPosition;
                span_->inAheadLength =
                    inFile_->readAt(span_->inPosition, span_->inAhead.data(), span_->inAhead.size());
            }
            const std::uint64_t offset = span_->inPosition - span_->inAheadAt;
            if (offset < span_->inAheadLength) {
                got = std::min<std::size_t>(count - total,
                                            span_->inAheadLength - static_cast<std::size_t>(offset));
                std::memcpy(out + total, span_->inAhead.data() + offset, got);
            }
        }
        span_->inPosition += got;
        total += got;
        if (total == count) break;
        if (got != 0) continue;
        // Joining: a read that meets the end of one volume goes on with the
        // next one; writing reads one file and stops at its end.
        if (!joining_ || !inFile_ || span_->inPosition != inFile_->size() || currentDisk_ >= lastDiskNumber_)
            break;
        GetNewDisk(currentDisk_ + 1);
        span_->inAheadLength = 0;
    }
    return total;
}

bool TArchiveBuilder::writeOut(const void* data, std::size_t length, int errorId) {
    if (failed()) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // Small pieces (headers, names) are gathered; a whole chunk of data goes
    // out as it is, without a copy through the queue.
    if (length >= kSpanCopyChunk / 2) {
        if (!flushOut(errorId)) return false;
        if (!span_->outFile || !writeAll(span_->outFile.get(), bytes, length))
            return fail(EArchiveBuilder(errorId, true));
        return true;
    }
    span_->outPending.insert(span_->outPending.end(), bytes, bytes + length);
    return span_->outPending.size() < kSpanCopyChunk || flushOut(errorId);
}

bool TArchiveBuilder::flushOut(int errorId) {
    if (failed()) return false;
    if (span_->outPending.empty()) return true;
    const bool written =
        span_->outFile && writeAll(span_->outFile.get(), span_->outPending.data(), span_->outPending.size());
    span_->outPending.clear();
    return written || fail(EArchiveBuilder(errorId, true));
}

bool TArchiveBuilder::readInExactly(void* out, std::size_t count, int errorId) {
    if (readInStream(static_cast<std::uint8_t*>(out), count) == count) return true;
    return fail(EArchiveBuilder(errorId, true));
}

bool TArchiveBuilder::fail(EArchiveBuilder error) {
    if (!failure_) failure_ = std::move(error);
    return false;
}

int TArchiveBuilder::spanResult() const {
    if (handlerFailed_) return -9;
    return failure_ ? -7 : 0;
}

void TArchiveBuilder::reportSpanFailure(int result, bool writing) {
    if (result == -7)
        ShowExceptionError(*failure_);
    else
        ShowArchiveMessage(msg::SpanUnknownError);
    if (writing && !completeVolumes_.empty() && OnMessage) {
        std::string names;
        for (const std::string& volume : completeVolumes_) names += (names.empty() ? "" : ", ") + volume;
        OnMessage(this, 0, EArchiveBuilder(msg::CompleteVolumes, names).what());
    }
    // A progress display always sees the end of the batch.
    reportProgress(pgBatchEnd, {}, 0);
}

}  // namespace tavrix::archive
