// Collects an operation's callbacks so tests can check their order and sums.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tavrix::ziptest {

enum class EventKind {
    kFileStart = 1,
    kAdvance = 2,
    kBatchEnd = 3,
    kMessage = 4,
    kFileCount = 5,
    kByteCount = 6
};

struct Event {
    EventKind kind;
    std::uint64_t size = 0;
    std::uint32_t code = 0;
    std::string text;
};

class EventLog {
public:
    // Answers "stop" at the event for which `stopWhen` is true.
    std::function<bool(const Event&, const EventLog&)> stopWhen;
    std::vector<Event> events;

    bool record(Event e) {
        events.push_back(std::move(e));
        return stopWhen && stopWhen(events.back(), *this);
    }
    std::size_t count(EventKind kind) const {
        std::size_t n = 0;
        for (const Event& e : events) n += e.kind == kind;
        return n;
    }
    std::vector<std::uint32_t> messageCodes() const {
        std::vector<std::uint32_t> codes;
        for (const Event& e : events)
            if (e.kind == EventKind::kMessage) codes.push_back(e.code);
        return codes;
    }
    bool hasMessage(std::uint32_t code) const {
        for (const Event& e : events)
            if (e.kind == EventKind::kMessage && e.code == code) return true;
        return false;
    }
    // Empty when the progress events follow the documented order: counts
    // first, then per file a start and advances adding up to its size (none
    // larger than the engine's advance step), then one batch end; otherwise
    // what is wrong.
    std::string orderProblem(bool expectBatchEnd = true) const;
};

}  // namespace tavrix::ziptest
