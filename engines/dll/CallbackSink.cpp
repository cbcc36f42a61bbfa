#include "engines/dll/CallbackSink.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "engines/dll/AnsiText.h"

namespace tavrix::engines {

using contract::EngineAction;

CallbackSink::CallbackSink(contract::RecordAddress window, contract::RecordAddress caller,
                           contract::RecordAddress callback, bool verbose)
    : callback_(reinterpret_cast<EngineCallback>(callback)), verbose_(verbose) {
    record_.window = window;
    record_.caller = caller;
}

bool CallbackSink::send(std::uint32_t action, std::uint32_t errorCode, std::uint64_t size,
                        std::string_view utf8Text) {
    if (!callback_) return stop_;
    record_.action = action;
    record_.errorCode = errorCode;
    // The record's size is 32 bits wide; larger values are reported saturated.
    record_.size = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, 0xFFFFFFFFu));
    utf8ToAnsi(utf8Text, record_.text, sizeof record_.text);
    if (callback_(&record_) != 0) stop_ = true;
    return stop_;
}

bool CallbackSink::fileCount(std::uint64_t files) {
    return send(contract::kActionFileCount, 0, files, {});
}
bool CallbackSink::byteCount(std::uint64_t bytes) {
    return send(contract::kActionByteCount, 0, bytes, {});
}
bool CallbackSink::fileStart(std::string_view name, std::uint64_t size) {
    return send(contract::kActionFileStart, 0, size, name);
}
bool CallbackSink::advance(std::uint64_t bytes) {
    return send(contract::kActionAdvance, 0, bytes, {});
}
bool CallbackSink::batchEnd() {
    return send(contract::kActionBatchEnd, 0, 0, {});
}

bool CallbackSink::message(zip::MessageId id, std::string_view subject) {
    const zip::MessageInfo& info = zip::messageInfo(id);
    // Problems are always told; notes (code 0) only when asked to be verbose.
    if (info.code == 0 && !verbose_) return stop_;
    return send(contract::kActionMessage, info.code, 0, zip::messageLine(id, subject));
}

}  // namespace tavrix::engines
