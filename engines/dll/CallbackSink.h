// Turns the core's progress reports into calls of the component's callback,
// one EngineCallbackRecord reused for every call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "contract/CallBack.h"
#include "engines/core/Progress.h"

namespace tavrix::engines {

using EngineCallback = BOOL(__stdcall*)(contract::EngineCallbackRecord*);

class CallbackSink final : public zip::ProgressSink {
public:
    CallbackSink(contract::RecordAddress window, contract::RecordAddress caller,
                 contract::RecordAddress callback, bool verbose);

    bool fileCount(std::uint64_t files) override;
    bool byteCount(std::uint64_t bytes) override;
    bool fileStart(std::string_view name, std::uint64_t size) override;
    bool advance(std::uint64_t bytes) override;
    bool batchEnd() override;
    bool message(zip::MessageId id, std::string_view subject) override;

private:
    // Calls back; any nonzero answer is kept, so the run stops at its next step.
    bool send(std::uint32_t action, std::uint32_t errorCode, std::uint64_t size, std::string_view utf8Text);

    contract::EngineCallbackRecord record_{};
    EngineCallback callback_;
    bool verbose_;
    bool stop_ = false;
};

}  // namespace tavrix::engines
