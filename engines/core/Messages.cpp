#include "engines/core/Messages.h"

#include <array>

namespace tavrix::zip {
namespace {

struct Row {
    MessageId id;
    MessageInfo info;
};

// Codes are stable: tests and callers may key on them.
constexpr std::array kMessages{
    Row{MessageId::kArchiveOpen, {1, "Cannot open archive: "}},
    Row{MessageId::kArchiveDamaged, {2, "Not a ZIP archive or its directory is damaged: "}},
    Row{MessageId::kArchiveSpanned, {3, "Archive spans several disks; join it first: "}},
    Row{MessageId::kUnsafeName, {10, "Unsafe name refused (outside the folder): "}},
    Row{MessageId::kReservedName, {11, "Name refused (not a valid Windows file name): "}},
    Row{MessageId::kSymlinkEntry, {12, "Symbolic link entry skipped: "}},
    Row{MessageId::kLinkInPath, {13, "Name refused (its folder is a link): "}},
    Row{MessageId::kOverlap, {14, "Entry overlaps another entry's data; skipped: "}},
    Row{MessageId::kUnsupportedMethod, {20, "Unsupported compression method; skipped: "}},
    Row{MessageId::kPasswordMissing, {21, "Encrypted entry and no password; skipped: "}},
    Row{MessageId::kPasswordWrong, {22, "Wrong password; skipped: "}},
    Row{MessageId::kDataDamaged, {23, "Compressed data damaged: "}},
    Row{MessageId::kTooLong, {24, "Entry is larger than its declared size: "}},
    Row{MessageId::kTooShort, {25, "Entry is shorter than its declared size: "}},
    Row{MessageId::kCrcMismatch, {26, "CRC error: "}},
    Row{MessageId::kWriteFailed, {30, "Cannot write file: "}},
    Row{MessageId::kFolderFailed, {31, "Cannot create folder: "}},
    Row{MessageId::kFileExists, {32, "File exists, not overwritten: "}},
    Row{MessageId::kCancelled, {33, "Cancelled by the caller: "}},
    Row{MessageId::kSourceOpen, {40, "Cannot read file: "}},
    Row{MessageId::kSourceChanged, {41, "File changed while it was read: "}},
    Row{MessageId::kTooLarge, {42, "File or archive too large (4 GiB limit): "}},
    Row{MessageId::kNothingToDo, {43, "Nothing to do for: "}},
    Row{MessageId::kReplaceFailed, {44, "Cannot replace the archive: "}},
    Row{MessageId::kMoveFailed, {45, "Cannot remove moved file: "}},
    Row{MessageId::kBadRecord, {50, "Parameter record not understood: "}},
    Row{MessageId::kInternal, {51, "Internal error: "}},
    Row{MessageId::kTested, {0, "OK: "}},
};

}  // namespace

const MessageInfo& messageInfo(MessageId id) {
    for (const Row& row : kMessages)
        if (row.id == id) return row.info;
    return kMessages[kMessages.size() - 2].info;  // kInternal
}

std::string messageLine(MessageId id, std::string_view subject) {
    std::string line = messageInfo(id).text;
    line.append(subject);
    return line;
}

}  // namespace tavrix::zip
