// The component's members for the self-extractor conversions
// (SfxConversionOperation) and for copying and erasing files.
#include "archive/ArchiveBuilder.h"

#include "archive/ConversionResults.h"
#include "archive/FileCopy.h"
#include "archive/SfxConversionOperation.h"
#include "archive/ShellDelete.h"
#include "archive/Win32Support.h"
#include "common/win32/PathExists.h"

namespace tavrix::archive {

int TArchiveBuilder::ConvertSFX(bool createNew) {
    SfxConversionOperation call(*this);
    const int result = call.toSfx(createNew);
    reportFailure(call.result());
    return result;
}

int TArchiveBuilder::ConvertZIP() {
    SfxConversionOperation call(*this);
    const int result = call.toZip();
    reportFailure(call.result());
    return result;
}

int TArchiveBuilder::CopyBuffer(HANDLE from, HANDLE to, std::int64_t length) {
    return copyBytes(from, to, length);
}

int TArchiveBuilder::RWCentralDir(HANDLE in, HANDLE out, const ZipEndOfCentral& end, std::int64_t shift) {
    return copyCentralDirectory(in, out, end, shift);
}

int TArchiveBuilder::EraseFile(const std::string& name, DeleteOpts how) {
    if (!win32::fileExists(name)) return -1;
    return shellDeleteFile(fullPathOf(name), how == htdAllowUndo);
}

int TArchiveBuilder::CopyFileA(const std::string& source, const std::string& destination) {
    win32::UniqueFile in = openForCopying(source);
    if (!in) return kCopySourceNotOpened;
    if (win32::fileExists(destination)) EraseFile(destination, howToDelete_);
    int result = kCopyOk;
    {
        win32::UniqueFile out(::CreateFileA(destination.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return kCopyNotCreated;
        FILETIME created, accessed, written;
        const auto inSize = sizeOfFile(in.get());
        if (copyBytes(in.get(), out.get(), -1) != kConvertOk)
            result = kCopyFailed;
        else if (!::GetFileTime(in.get(), &created, &accessed, &written) ||
                 !::SetFileTime(out.get(), &created, &accessed, &written))
            result = kCopyDateNotSet;
        else if (!inSize || sizeOfFile(out.get()) != inSize)
            result = kCopySizesDiffer;
    }
    if (result != kCopyOk) ::DeleteFileA(destination.c_str());
    return result;
}

}  // namespace tavrix::archive
