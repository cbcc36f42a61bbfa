// One call of one of the component's public operations. What the call needs
// (the volume being read, the disk asked for, the streams of a set) lives in
// an object made for it and gone at its end, so that nothing of one call is
// left for the next; its end is one OperationResult, which only the
// component turns into LastErrCode, LastMessage, a box and OnMessage.
#pragma once

#include "archive/ArchiveMessages.h"

#include <optional>
#include <utility>

namespace tavrix::archive {

class TArchiveBuilder;
class VolumeDrive;
class SpanOperation;

// How a call ended: the first failure (none after a success) and whether an
// event handler failed during it.
struct OperationResult {
    std::optional<EArchiveBuilder> failure;
    bool handlerFailed = false;
    // The entries the call's engine processed (ProcessedCount).
    int processed = 0;

    bool succeeded() const { return !failure && !handlerFailed; }
    // The spanning routines' integer result: 0, -7 (`failure` holds the
    // component's error) or -9 (a handler failed).
    int spanCode() const { return handlerFailed ? -9 : failure ? -7 : 0; }
};

class Operation {
public:
    // The operation runs on `owner` until it ends: the component's members
    // that act on the running call reach it (an operation started inside
    // another one, a join inside Extract, runs until it ends, then the outer
    // one again).
    explicit Operation(TArchiveBuilder& owner);
    virtual ~Operation();
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // The first failure is kept; the steps after it do nothing. False.
    bool fail(EArchiveBuilder error) {
        if (!failure_) failure_ = std::move(error);
        return false;
    }
    bool failed() const { return failure_.has_value(); }
    const std::optional<EArchiveBuilder>& failure() const { return failure_; }
    // A failure that is told as a result of its own, not as the call's end.
    void forgetFailure() { failure_.reset(); }
    OperationResult result() const;
    // An event handler failed during the call.
    bool handlerFailed() const;

    // What the engine processed; the engine call writes it here.
    int& processed() { return processed_; }

    TArchiveBuilder& owner() const { return owner_; }
    virtual VolumeDrive* drive() { return nullptr; }
    virtual SpanOperation* spanning() { return nullptr; }
    // An unattended Extract that may meet encrypted entries without a
    // Password hands the engine the placeholder (PlaceholderPassword).
    virtual bool handsPlaceholderPassword() const { return false; }

private:
    TArchiveBuilder& owner_;
    Operation* outer_;
    std::optional<EArchiveBuilder> failure_;
    int processed_ = 0;
};

}  // namespace tavrix::archive
