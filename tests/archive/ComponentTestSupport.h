// Shared pieces of the component tests under Wine: a component whose boxes
// and messages are recorded, paths of the test engines, and the engines' own
// test exports.
#pragma once

#include "archive/ArchiveBuilder.h"
#include "common/win32/MessageBoxSeam.h"
#include "tests/archive/engines/TestEngineProtocol.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace tavrix::archive::testing {

struct SeenMessage {
    int code;
    std::string text;
    bool operator==(const SeenMessage&) const = default;
};

// Records every box (and answers OK) for the life of the fixture.
class RecordedBoxes {
public:
    RecordedBoxes() {
        previous_ = win32::setMessageBoxHandler([this](const win32::MessageBoxRequest& r) {
            texts.push_back(r.text);
            return IDOK;
        });
    }
    ~RecordedBoxes() { win32::setMessageBoxHandler(std::move(previous_)); }
    std::vector<std::string> texts;

private:
    win32::MessageBoxHandler previous_;
};

class ComponentFixture : public ::testing::Test {
protected:
    ComponentFixture() {
        builder.OnMessage = [this](TArchiveBuilder* sender, int code, const std::string& text) {
            EXPECT_EQ(sender, &builder);
            messages.push_back({code, text});
        };
    }
    ~ComponentFixture() override {
        builder.Unload_Unpack_Dll();
        builder.Unload_Pack_Dll();
    }

    RecordedBoxes boxes;
    TArchiveBuilder builder;
    std::vector<SeenMessage> messages;
};

// Full Windows path of a folder beside the test program.
inline std::string besideProgram(const std::string& relative) {
    char full[MAX_PATH];
    DWORD n = ::GetFullPathNameA(relative.c_str(), sizeof full, full, nullptr);
    return std::string(full, n);
}

inline std::string engineDir(const char* variant) {
    return besideProgram(std::string("engines\\") + variant);
}

inline const EngineObservation& observe(HMODULE engine) {
    using Proc = const EngineObservation* (*)();
    auto proc =
        reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(engine, "TestEngineObservation")));
    if (proc == nullptr) throw std::runtime_error("not a test engine");
    return *proc();
}

inline void script(HMODULE engine, const std::vector<ScriptStep>& steps, int result) {
    using Proc = void (*)(const ScriptStep*, int, int);
    auto proc =
        reinterpret_cast<Proc>(reinterpret_cast<void*>(::GetProcAddress(engine, "TestEngineSetScript")));
    if (proc == nullptr) throw std::runtime_error("not a test engine");
    proc(steps.data(), static_cast<int>(steps.size()), result);
}

}  // namespace tavrix::archive::testing
