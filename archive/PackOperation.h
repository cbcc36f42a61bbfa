// Add and Delete: one synchronous call of the compression engine over
// ZipFileName. An Add onto a new .EXE archive starts it with the
// self-extractor's stub; a spanned Add has the engine write a temporary
// archive, which WriteSpan then cuts into the set's volumes.
#pragma once

#include "archive/ArchiveBuilder.h"
#include "archive/Operation.h"

#include <string>

namespace tavrix::archive {

class PackOperation final : public Operation {
public:
    PackOperation(TArchiveBuilder& owner, TArchiveBuilder::PackCall kind) : Operation(owner), kind_(kind) {}

    void run();

private:
    void callEngine();
    // False: the Add ends.
    bool writeStubForNewExe();
    bool beginSpannedAdd();
    void endSpannedAdd();

    TArchiveBuilder::PackCall kind_;
    std::string engineTarget_;  // the archive the engine writes
};

}  // namespace tavrix::archive
