// ConvertSFX and ConvertZIP: ZipFileName turned into a self-extracting
// program (the stub PACKSFX.BIN, its 256-byte settings block, then the
// archive with every offset moved by the two) and back. No engine takes
// part; the directory reader finds the archive's parts. The output is
// written beside the source, which is erased only once the output is whole;
// a failed call leaves no output.
#pragma once

#include "archive/ArchiveBuilder.h"
#include "archive/Operation.h"
#include "common/SfxSettingsBlock.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace tavrix::archive {

class SfxConversionOperation final : public Operation {
public:
    explicit SfxConversionOperation(TArchiveBuilder& owner) : Operation(owner) {}

    // `createNew`: the stub, its block and an empty archive under
    // ZipFileName itself, for Add to add to. The result is 0 or a kConvert*
    // code; a refusal the user is told about is the operation's failure.
    int toSfx(bool createNew);
    int toZip();

private:
    int refuse(int messageId, const std::string& note = {});
    // The stub's file: SFXPath, else the first found in the usual places.
    bool findStub();
    // The stub's block from the SFX properties.
    sfx::SettingsBlock settingsBlock() const;
    // The stub, its block and the archive (or, `createNew`, an empty one)
    // in `output`; kConvertOk or the failure's code.
    int writeProgram(const std::string& output, bool createNew);
    // The conversion form's copy of ZipFileName behind the stub and block:
    // `copied` is the part of the archive copied, `sizesAddUp` false when
    // the archive's own offsets say it is shorter than its directory.
    int appendArchive(HANDLE out, std::uint64_t prefix, bool& sizesAddUp, std::uint64_t& copied);
    // Whether ZipFileName is one volume of a spanned set.
    bool isVolumeOfASet();
    // The output is kept after a success, when the source makes way for it.
    int finish(int result, const std::string& output);
};

}  // namespace tavrix::archive
