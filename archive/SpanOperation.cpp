// The streams both spanning calls share. Apart from WriteSpan, so that a
// program that only joins sets (the installer) does not carry the writing
// side.
#include "archive/SpanOperation.h"

#include "archive/ArchiveBuilder.h"
#include "archive/MessageIds.h"
#include "archive/Win32Support.h"

#include <algorithm>
#include <cstring>

namespace tavrix::archive {

SpanOperation::SpanOperation(TArchiveBuilder& owner, bool joining)
    : Operation(owner), volumes(*this), joining_(joining) {}

bool SpanOperation::keepResponsive() {
    // The queue a few dozen times a second keeps the window painting and a
    // Cancel button heard; on every small header write it would cost more
    // than the copy.
    constexpr DWORD kPumpInterval = 20;  // ms
    const DWORD now = ::GetTickCount();
    if (now - lastMessagePump_ >= kPumpInterval) {
        lastMessagePump_ = now;
        processMessages();
    }
    if (owner().Cancel()) return fail(EArchiveBuilder(msg::UserCanceled, false));
    // A handler that failed ends the call too; its result says so (-9).
    if (handlerFailed()) return fail(EArchiveBuilder(msg::SpanUnknownError, true));
    return !failed();
}

std::size_t SpanOperation::readInStream(std::uint8_t* out, std::size_t count) {
    std::size_t total = 0;
    RandomAccessInput* in = volumes.inFile.get();
    while (total < count && !failed()) {
        std::size_t got = 0;
        const bool ahead = inPosition >= inAheadAt_ && inPosition < inAheadAt_ + inAheadLength_;
        if (in && !ahead && count - total >= kSpanHeaderBlock / 2) {
            // A large read goes straight to the caller: read-ahead is for
            // the many small headers.
            const std::ptrdiff_t n = in->readAt(inPosition, out + total, count - total);
            if (n < 0) break;  // a failed read is no end of a volume
            got = static_cast<std::size_t>(n);
        } else if (in) {
            if (!ahead) {
                // Read ahead: one large request for many small headers.
                inAhead_.resize(kSpanHeaderBlock);
                inAheadAt_ = inPosition;
                const std::ptrdiff_t n = in->readAt(inPosition, inAhead_.data(), inAhead_.size());
                inAheadLength_ = n > 0 ? static_cast<std::size_t>(n) : 0;
                if (n < 0) break;
            }
            const std::uint64_t offset = inPosition - inAheadAt_;
            if (offset < inAheadLength_) {
                got = std::min<std::size_t>(count - total, inAheadLength_ - static_cast<std::size_t>(offset));
                std::memcpy(out + total, inAhead_.data() + offset, got);
            }
        }
        inPosition += got;
        total += got;
        if (total == count) break;
        if (got != 0) continue;
        if (!joining_ || !in || inPosition != in->size() || volumes.currentDisk >= volumes.lastDisk) break;
        openVolume(volumes.currentDisk + 1);
        in = volumes.inFile.get();
    }
    return total;
}

void SpanOperation::openVolume(int disk) {
    if (failed()) return;
    inPosition = 0;
    inAheadLength_ = 0;
    volumes.getNewDisk(disk);
}

bool SpanOperation::readInExactly(void* out, std::size_t count, int errorId) {
    if (readInStream(static_cast<std::uint8_t*>(out), count) == count) return true;
    return fail(EArchiveBuilder(errorId, true));
}

bool SpanOperation::writeOut(const void* data, std::size_t length, int errorId) {
    if (failed()) return false;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // Small pieces (headers, names) are gathered; a whole chunk of data goes
    // out as it is, without a copy through the queue.
    if (length >= kSpanHeaderBlock / 2) {
        if (!flushOut(errorId)) return false;
        if (!outFile || !writeAll(outFile.get(), bytes, length)) return fail(EArchiveBuilder(errorId, true));
        return true;
    }
    outPending_.insert(outPending_.end(), bytes, bytes + length);
    return outPending_.size() < kSpanHeaderBlock || flushOut(errorId);
}

bool SpanOperation::flushOut(int errorId) {
    if (failed()) return false;
    if (outPending_.empty()) return true;
    const bool written = outFile && writeAll(outFile.get(), outPending_.data(), outPending_.size());
    outPending_.clear();
    return written || fail(EArchiveBuilder(errorId, true));
}

void SpanOperation::reportProgress(ProgressType type, const std::string& name, std::int64_t size) {
    TArchiveBuilder& component = owner();
    if (component.OnProgress)
        component.OnProgress(&component, type, name,
                             progressSize(static_cast<std::uint64_t>(std::max<std::int64_t>(size, 0))));
}

void SpanOperation::entryStarts(const std::string& shownName, std::uint64_t bytes) {
    TArchiveBuilder& component = owner();
    if (component.OnMessage) component.OnMessage(&component, 0, copying() + shownName);
    reportProgress(pgFileStart, shownName, static_cast<std::int64_t>(bytes));
}

const std::string& SpanOperation::copying() {
    if (copying_.empty()) copying_ = LoadArchiveStr(msg::Copying, missingMessageText(msg::Copying));
    return copying_;
}

std::size_t SpanOperation::findEntry(std::string_view name) {
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (entries[i].name == name) return i;
    fail(EArchiveBuilder(msg::EntryNotFound, true));
    return entries.size();
}

}  // namespace tavrix::archive
