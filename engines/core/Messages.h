// The engines' messages: one table of ids, error codes and texts.
//
// The code travels in the callback record's error-code field; the component
// keeps its low byte as its last error, so every code is below 128.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tavrix::zip {

enum class MessageId : std::uint8_t {
    kArchiveOpen,
    kArchiveDamaged,
    kArchiveSpanned,
    kUnsafeName,
    kReservedName,
    kSymlinkEntry,
    kLinkInPath,
    kOverlap,
    kUnsupportedMethod,
    kPasswordMissing,
    kPasswordWrong,
    kDataDamaged,
    kTooLong,
    kTooShort,
    kCrcMismatch,
    kWriteFailed,
    kFolderFailed,
    kFileExists,
    kCancelled,
    kSourceOpen,
    kSourceChanged,
    kTooLarge,
    kNothingToDo,
    kReplaceFailed,
    kMoveFailed,
    kBadRecord,
    kInternal,
    kTested,
};

struct MessageInfo {
    std::uint32_t code;
    const char* text;  // the subject (a name or path) follows it
};

const MessageInfo& messageInfo(MessageId id);

// "<text><subject>", the line handed to the callback.
std::string messageLine(MessageId id, std::string_view subject);

}  // namespace tavrix::zip
