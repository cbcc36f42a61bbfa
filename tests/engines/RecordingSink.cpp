#include "tests/engines/RecordingSink.h"

#include "engines/core/Progress.h"

namespace tavrix::ziptest {

std::string EventLog::orderProblem(bool expectBatchEnd) const {
    std::vector<const Event*> progress;
    for (const Event& e : events)
        if (e.kind != EventKind::kMessage) progress.push_back(&e);
    if (progress.size() < 2 || progress[0]->kind != EventKind::kFileCount ||
        progress[1]->kind != EventKind::kByteCount)
        return "counts do not come first";
    std::uint64_t files = 0, bytes = 0;
    std::uint64_t fileSize = 0, fileDone = 0;
    bool inFile = false;
    for (std::size_t i = 2; i < progress.size(); ++i) {
        const Event& e = *progress[i];
        if (e.kind == EventKind::kFileStart || e.kind == EventKind::kBatchEnd) {
            if (inFile && fileDone != fileSize)
                return "advances of a file add up to " + std::to_string(fileDone) + ", not " +
                       std::to_string(fileSize);
            if (e.kind == EventKind::kBatchEnd) {
                if (i + 1 != progress.size()) return "events after the batch end";
                if (files != progress[0]->size) return "file count differs from the files started";
                if (bytes != progress[1]->size) return "byte count differs from the bytes advanced";
                return {};
            }
            inFile = true;
            ++files;
            fileSize = e.size;
            fileDone = 0;
        } else if (e.kind == EventKind::kAdvance) {
            if (!inFile) return "advance outside a file";
            if (e.size > zip::kAdvanceStep) return "advance larger than the step";
            fileDone += e.size;
            bytes += e.size;
        } else {
            return "count event in the middle of the batch";
        }
    }
    return expectBatchEnd ? "no batch end" : std::string();
}

}  // namespace tavrix::ziptest
