// Extract: one synchronous call of the extraction engine over ZipFileName; a
// spanned set is joined into one temporary archive first, which the engine
// reads and which is deleted whatever happens.
#pragma once

#include "archive/Operation.h"

namespace tavrix::archive {

class ExtractOperation final : public Operation {
public:
    explicit ExtractOperation(TArchiveBuilder& owner) : Operation(owner) {}

    void run();
    bool handsPlaceholderPassword() const override { return placeholderPassword_; }

private:
    // Unattended, with encrypted entries possible and no Password: for this
    // call only (kept in Password, it would let a later unattended Add
    // encrypt with a password nobody knows).
    bool placeholderPassword_ = false;
};

}  // namespace tavrix::archive
