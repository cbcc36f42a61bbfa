#include "archive/SfxConversionOperation.h"

#include "archive/ConversionResults.h"
#include "archive/FileCopy.h"
#include "archive/FileNames.h"
#include "archive/MessageIds.h"
#include "archive/VolumeDrive.h"
#include "archive/Win32Support.h"
#include "common/SfxSettingsBlock.h"
#include "common/ZipFormat.h"
#include "common/win32/PathExists.h"
#include "common/win32/ProgramPath.h"
#include "common/zip/ZipRecords.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace tavrix::archive {
namespace {

constexpr const char* kStubName = "PACKSFX.BIN";

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// The end record of `file` (with the disk label last read), in a call of its
// own whose failure is told as the conversion's result, not as a message.
// The file is closed again.
struct ArchiveEnd {
    bool found = false;
    ZipEndOfCentral end{};
    EndRecordSearch search;
    std::uint64_t fileSize = 0;
    std::uint64_t archiveEnd = 0;
};

ArchiveEnd findArchiveEnd(TArchiveBuilder& component, const std::string& file, const std::string& label,
                          bool raiseErrors) {
    DriveOperation call(component);
    VolumeDrive& volumes = call.volumes;
    volumes.inFileName = file;
    volumes.label = label;
    ArchiveEnd found;
    found.found = volumes.checkIfLastDisk(found.end, raiseErrors);
    found.search = volumes.endSearch;
    found.fileSize = volumes.fileSize;
    found.archiveEnd = volumes.archiveEnd;
    return found;
}

}  // namespace

int SfxConversionOperation::refuse(int messageId, const std::string& note) {
    fail(EArchiveBuilder::WithNote(messageId, note));
    return kConvertRefused;
}

bool SfxConversionOperation::findStub() {
    std::string& stub = owner().sfxPath_;
    if (!stub.empty() && win32::fileExists(stub)) return true;
    std::vector<std::string> places = {kStubName, folderOf(win32::programPath()) + "\\" + kStubName};
    char folder[MAX_PATH] = {};
    const UINT systemLength = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (systemLength > 0 && systemLength < MAX_PATH) places.push_back(std::string(folder) + "\\" + kStubName);
    const UINT windowsLength = ::GetWindowsDirectoryA(folder, MAX_PATH);
    if (windowsLength > 0 && windowsLength < MAX_PATH)
        places.push_back(std::string(folder) + "\\" + kStubName);
    if (!owner().dllDirectory_.empty()) places.push_back(owner().dllDirectory_ + "\\" + kStubName);
    const auto found = std::find_if(places.begin(), places.end(), win32::fileExists);
    if (found == places.end()) return false;
    stub = *found;
    return true;
}

int SfxConversionOperation::toSfx(bool createNew) {
    TArchiveBuilder& component = owner();
    const std::string& archive = component.zipFileName_;
    if (!createNew && !win32::fileExists(archive)) return refuse(msg::NoZipFile);
    const std::size_t strings =
        component.sfxCaption_.size() + component.sfxDefaultDir_.size() + component.sfxCommandLine_.size();
    if (strings >= 250)
        return refuse(msg::SfxStringsTooLong,
                      "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine = " + std::to_string(strings));
    if (!findStub()) return refuse(msg::SfxStubNotFound);

    WaitCursor hourglass;
    std::string output = archive;
    if (!createNew) {
        if (!hasExtension(archive, ".ZIP")) return refuse(msg::SfxNotAZip);
        // A volume's offsets belong to its set: copied behind a stub they
        // would make a broken program, and the volume would be erased after.
        if (isVolumeOfASet()) return refuse(msg::SfxNotSpannable);
        output = withExtension(archive, ".exe");
    }

    const int result = writeProgram(output, createNew);
    if (createNew && result == kConvertOk) return result;
    return finish(result, output);
}

sfx::SettingsBlock SfxConversionOperation::settingsBlock() const {
    sfx::SfxSettings settings;
    settings.caption = owner().sfxCaption_;
    settings.defaultDir = owner().sfxDefaultDir_;
    settings.commandLine = owner().sfxCommandLine_;
    const SFXOpts options = owner().sfxOptions_;
    const OvrOpts overwrite = owner().sfxOverWriteMode_;
    settings.options =
        static_cast<std::uint8_t>((options.has(SFXAskCmdLine) ? sfx::kOptAskCmdLine : 0) |
                                  (options.has(SFXAskFiles) ? sfx::kOptAskFiles : 0) |
                                  (options.has(SFXHideOverWriteBox) ? sfx::kOptHideOverwriteBox : 0) |
                                  (overwrite == OvrAlways ? sfx::kOptOverwriteAlways : 0) |
                                  (overwrite == OvrNever ? sfx::kOptOverwriteNever : 0) |
                                  (options.has(SFXCheckSize) ? 0 : sfx::kOptNoCheckSize) |
                                  (options.has(SFXAutoRun) ? sfx::kOptAutoRun : 0));
    return *sfx::buildSettingsBlock(settings);  // the sum of the strings was checked before
}

// The output is closed when this returns, before it is kept or deleted.
int SfxConversionOperation::writeProgram(const std::string& output, bool createNew) {
    int result = kConvertOk;
    const sfx::SettingsBlock block = settingsBlock();
    bool sizesAddUp = true;
    std::uint64_t archiveSize = 0;  // the part of the archive copied
    owner().EraseFile(output, owner().howToDelete_);
    win32::UniqueFile out = createCopy(output);
    if (!out) return kConvertCreateFailed;
    std::uint64_t stubSize = 0;
    win32::UniqueFile stub = openForCopying(owner().sfxPath_);
    const auto stubLength = stub ? sizeOfFile(stub.get()) : std::nullopt;
    if (!stubLength) {
        result = kConvertReadFailed;
    } else {
        stubSize = *stubLength;
        result = copyBytes(stub.get(), out.get(), static_cast<std::int64_t>(stubSize));
        if (result == kConvertOk && !writeAll(out.get(), block.data(), block.size()))
            result = kConvertCopyFailed;
    }
    const std::uint64_t prefix = stubSize + sfx::kSettingsBlockSize;
    if (result == kConvertOk && createNew) {
        if (prefix > std::numeric_limits<std::uint32_t>::max()) {
            result = kConvertRefused;
        } else {
            ZipEndOfCentral end{};
            end.signature = zip::kEndOfCentralSignature;
            end.centralOffset = static_cast<std::uint32_t>(prefix);
            std::array<std::uint8_t, zip::kEndOfCentralSize> bytes{};
            zip::storeEndRecord(endRecordFrom(end), bytes);
            if (!writeAll(out.get(), bytes.data(), bytes.size())) result = kConvertCopyFailed;
        }
    } else if (result == kConvertOk) {
        result = appendArchive(out.get(), prefix, sizesAddUp, archiveSize);
    }
    if (result == kConvertOk && !createNew) {
        const auto outSize = sizeOfFile(out.get());
        if (!outSize || !sizesAddUp || *outSize != prefix + archiveSize) result = kConvertRefused;
    }
    return result;
}

bool SfxConversionOperation::isVolumeOfASet() {
    const ArchiveEnd found = findArchiveEnd(owner(), owner().zipFileName_, owner().volumeLabel_, false);
    // The last volume names its own disk; another one has no end record but
    // starts with the set's marker.
    return found.found ? found.end.thisDisk != 0 || found.end.centralDisk != 0 : found.search.spanMarker;
}

int SfxConversionOperation::appendArchive(HANDLE out, std::uint64_t prefix, bool& sizesAddUp,
                                          std::uint64_t& copied) {
    const std::string& archive = owner().zipFileName_;
    const ArchiveEnd found = findArchiveEnd(owner(), archive, owner().volumeLabel_, true);
    if (!found.found) return kConvertReadFailed;
    win32::UniqueFile in = openForCopying(archive);
    if (!in) return kConvertReadFailed;
    // Offsets that already disagree with the file (a prefix nobody moved
    // them for), or a directory beyond the classic fields' reach, are left
    // as they are: readers find such an archive by its end record.
    if (owner().structureWarning_ || found.search.zip64) {
        copied = found.fileSize;
        return copyBytes(in.get(), out, -1);
    }
    copied = found.archiveEnd;
    sizesAddUp = found.end.centralOffset <= found.archiveEnd;
    if (!sizesAddUp) return kConvertRefused;
    if (copyBytes(in.get(), out, found.end.centralOffset) != kConvertOk) return kConvertCopyFailed;
    return copyCentralDirectory(in.get(), out, found.end, static_cast<std::int64_t>(prefix));
}

int SfxConversionOperation::toZip() {
    TArchiveBuilder& component = owner();
    const std::string& archive = component.zipFileName_;
    if (!win32::fileExists(archive)) {
        fail(EArchiveBuilder(msg::ZipNoExe, true));
        return kConvertReadFailed;
    }
    if (!hasExtension(archive, ".EXE")) {
        fail(EArchiveBuilder(msg::ZipNotAnExe, true));
        return kConvertReadFailed;
    }
    if (component.archiveDataStart_ <= 0) return refuse(msg::ZipNoSfxPrefix);
    WaitCursor hourglass;
    const std::string output = withExtension(archive, ".zip");
    const std::uint64_t dataStart = static_cast<std::uint64_t>(component.archiveDataStart_);
    int result = kConvertOk;
    {
        component.EraseFile(output, component.howToDelete_);
        win32::UniqueFile out = createCopy(output);
        if (!out) return kConvertCreateFailed;
        const ArchiveEnd found = findArchiveEnd(component, archive, component.volumeLabel_, true);
        win32::UniqueFile in = found.found ? openForCopying(archive) : win32::UniqueFile();
        std::uint64_t expected = 0;
        if (!in) {
            result = kConvertReadFailed;
        } else if (!seekTo(in.get(), dataStart)) {
            result = kConvertCopyFailed;
        } else if (component.structureWarning_ || found.search.zip64) {
            expected = found.fileSize - std::min(found.fileSize, dataStart);
            result = copyBytes(in.get(), out.get(), -1);
        } else if (found.end.centralOffset < dataStart) {
            result = kConvertRefused;
        } else {
            expected = found.archiveEnd - std::min(found.archiveEnd, dataStart);
            result = copyBytes(in.get(), out.get(), found.end.centralOffset - dataStart);
            if (result == kConvertOk)
                result = copyCentralDirectory(in.get(), out.get(), found.end,
                                              -static_cast<std::int64_t>(dataStart));
        }
        if (result == kConvertOk && sizeOfFile(out.get()) != expected) result = kConvertRefused;
    }
    return finish(result, output);
}

int SfxConversionOperation::finish(int result, const std::string& output) {
    if (result != kConvertOk) {
        ::DeleteFileA(output.c_str());
        return result;
    }
    TArchiveBuilder& component = owner();
    component.EraseFile(component.zipFileName_, component.howToDelete_);
    component.SetZipFileName(output);
    return result;
}

}  // namespace tavrix::archive
