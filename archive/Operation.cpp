#include "archive/Operation.h"

#include "archive/ArchiveBuilder.h"

namespace tavrix::archive {

Operation::Operation(TArchiveBuilder& owner) : owner_(owner), outer_(owner.running_) {
    owner.running_ = this;
}

Operation::~Operation() {
    owner_.running_ = outer_;
}

bool Operation::handlerFailed() const {
    return owner_.handlerFailed_;
}

OperationResult Operation::result() const {
    OperationResult result;
    result.failure = failure_;
    result.handlerFailed = handlerFailed();
    result.processed = processed_;
    return result;
}

}  // namespace tavrix::archive
