// What the two spanning calls share, WriteSpan (an archive cut into the
// volumes of a set) and ReadSpan (a set joined into one archive): the drive
// the volumes are on, the input stream that goes on across volumes, the
// output queue of the file being written, and the set's entries. Made at the
// call's start and gone at its end, so that nothing of one call is left for
// the next.
#pragma once

#include "archive/ArchiveTypes.h"
#include "archive/DiskSpan.h"
#include "archive/Operation.h"
#include "archive/SpanJoin.h"
#include "archive/VolumeDrive.h"
#include "common/win32/UniqueHandle.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavrix::archive {

class SpanOperation : public Operation {
public:
    // `joining`: a read that meets the end of one volume goes on with the
    // next one; writing reads one file and stops at its end.
    SpanOperation(TArchiveBuilder& owner, bool joining);

    VolumeDrive* drive() override { return &volumes; }
    SpanOperation* spanning() override { return this; }
    bool joining() const { return joining_; }

    // Between the writes: the message queue now and then, and a Cancel (or a
    // handler that failed) ends the call. False once the call is to end.
    bool keepResponsive();
    std::size_t readInStream(std::uint8_t* out, std::size_t count);
    // Each false after a failure (theirs or an earlier one).
    bool readInExactly(void* out, std::size_t count, int errorId);
    bool writeOut(const void* data, std::size_t length, int errorId);
    bool flushOut(int errorId);
    // What was queued for a file that is given up.
    void dropPending() { outPending_.clear(); }
    // Volume `disk` becomes the one read, from its start.
    void openVolume(int disk);
    void reportProgress(ProgressType type, const std::string& name, std::int64_t size);
    // An entry's copy starts: told to OnMessage and OnProgress.
    void entryStarts(const std::string& shownName, std::uint64_t bytes);
    // "Copying: " in the program's language.
    const std::string& copying();
    // The entry's index; entries.size() when there is none (a failure).
    std::size_t findEntry(std::string_view name);

    VolumeDrive volumes;
    std::vector<SpanEntry> entries;
    std::string outName;  // the set's name (writing) or the joined archive (reading)

    std::uint64_t inPosition = 0;  // next byte of volumes.inFile
    FILETIME inFileDate{};         // copied onto every file written
    std::string outVolumeName;     // the file now open for writing
    win32::UniqueFile outFile;
    std::uint64_t outByteCount = 0;  // on the open output file
    bool reportBytes = false;
    // One chunk of data on its way; every byte of it is read before it is
    // written out, so it is not cleared first.
    std::unique_ptr<std::uint8_t[]> buffer = std::make_unique_for_overwrite<std::uint8_t[]>(kSpanCopyChunk);

private:
    bool joining_;
    DWORD lastMessagePump_ = 0;
    // Headers are small: reads and writes go through these, so that the
    // system sees large requests only.
    std::vector<std::uint8_t> inAhead_;
    std::uint64_t inAheadAt_ = 0;    // file offset of inAhead_[0]
    std::size_t inAheadLength_ = 0;  // 0: nothing buffered (another volume)
    std::vector<std::uint8_t> outPending_;
    std::string copying_;
};

// The input side for the portable spanning code: reads go through the
// operation's stream, failures become the operation's.
class SpanInputStream : public SpanInput {
public:
    explicit SpanInputStream(SpanOperation& operation) : op_(operation) {}
    bool read(void* out, std::size_t count, int errorId) override {
        return op_.readInExactly(out, count, errorId);
    }
    void fail(int errorId) override { op_.fail(EArchiveBuilder(errorId, true)); }
    bool failed() const override { return op_.failed(); }

private:
    SpanOperation& op_;
};

}  // namespace tavrix::archive
