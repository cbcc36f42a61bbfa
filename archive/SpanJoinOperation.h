// ReadSpan: the volumes of a spanned set joined into one archive, the last
// volume (with the end record) asked for first.
#pragma once

#include "archive/SpanOperation.h"

#include <string>

namespace tavrix::archive {

class SpanJoinOperation final : public SpanOperation {
public:
    explicit SpanJoinOperation(TArchiveBuilder& owner) : SpanOperation(owner, true) {}

    // Joins the set whose volume `inFileName` names; see ReadSpan for
    // `outFileName`, which becomes the joined archive's name. A failed join
    // leaves no file behind and gives back "".
    void run(const std::string& inFileName, std::string& outFileName);

    // `length` bytes onto the joined archive; a failure is `errorId`.
    void writeJoin(const void* data, std::size_t length, int errorId);
    // `length` bytes of the set copied into the joined archive: a read
    // failure is `errorId`, a write failure the general write error.
    void copyJoin(std::uint64_t length, int errorId);
    // Whether the joined archive's folder has room for `bytes`: a join that
    // would fill it fails before it copies anything.
    bool roomForJoin(std::uint64_t bytes);

private:
    void join(std::string& outFileName);
};

}  // namespace tavrix::archive
