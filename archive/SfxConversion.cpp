// Conversions between a ZIP archive and a self-extracting program: the stub
// PACKSFX.BIN, its 256-byte settings block, then the archive with every
// offset moved by the two. No engine takes part; the directory reader finds
// the archive's parts.
#include "archive/ArchiveBuilder.h"

#include "archive/ConversionResults.h"
#include "archive/MessageIds.h"
#include "archive/ShellDelete.h"
#include "archive/VolumeDrive.h"
#include "archive/Win32Support.h"
#include "common/SfxSettingsBlock.h"
#include "common/ZipFormat.h"
#include "common/win32/PathExists.h"
#include "common/win32/ProgramPath.h"
#include "common/zip/ZipRecords.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <limits>
#include <vector>

namespace tavrix::archive {
namespace {

constexpr const char* kStubName = "PACKSFX.BIN";
constexpr std::size_t kCopyChunk = 8192;

// The bytes of an end record as the component holds it.
std::array<std::uint8_t, zip::kEndOfCentralSize> endRecordBytes(const ZipEndOfCentral& end) {
    std::array<std::uint8_t, zip::kEndOfCentralSize> bytes{};
    zip::storeEndRecord(endRecordFrom(end), bytes);
    return bytes;
}

std::string upperExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::toupper(c); });
    return ext;
}

std::string withExtension(const std::string& path, const char* ext) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
    return path.substr(0, dot) + ext;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool readExact(HANDLE in, void* data, std::size_t count) {
    auto* p = static_cast<std::uint8_t*>(data);
    while (count > 0) {
        DWORD got = 0;
        const DWORD ask = static_cast<DWORD>(std::min<std::size_t>(count, 1u << 30));
        if (!::ReadFile(in, p, ask, &got, nullptr) || got == 0) return false;
        p += got;
        count -= got;
    }
    return true;
}

bool seekTo(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

std::optional<std::uint64_t> sizeOf(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart < 0) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

win32::UniqueFile openForReading(const std::string& path) {
    // Others may read it while it is copied, nobody may change it.
    return win32::UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                           nullptr));
}

win32::UniqueFile createOutput(const std::string& path) {
    return win32::UniqueFile(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A 32-bit offset moved by `shift`; false when it would leave the 32-bit range.
bool shifted(std::uint32_t value, std::int64_t shift, std::uint32_t& out) {
    const std::int64_t moved = static_cast<std::int64_t>(value) + shift;
    if (moved < 0 || moved > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
        return false;
    out = static_cast<std::uint32_t>(moved);
    return true;
}

// The end record of `file` (with the disk label last read), for a
// conversion; the file is closed again.
bool findArchiveEnd(VolumeDrive& volumes, const std::string& file, const std::string& label,
                    ZipEndOfCentral& end, bool raiseErrors) {
    volumes.inFileName = file;
    volumes.label = label;
    const bool found = volumes.checkIfLastDisk(end, raiseErrors);
    volumes.inFile.reset();
    return found;
}

}  // namespace

int TArchiveBuilder::CopyBuffer(HANDLE from, HANDLE to, std::int64_t length) {
    std::vector<std::uint8_t> chunk(kCopyChunk);
    std::int64_t left = length;
    while (length < 0 || left > 0) {
        const std::size_t ask =
            length < 0 ? kCopyChunk : static_cast<std::size_t>(std::min<std::int64_t>(left, kCopyChunk));
        DWORD got = 0;
        if (!::ReadFile(from, chunk.data(), static_cast<DWORD>(ask), &got, nullptr))
            return kConvertCopyFailed;
        if (got == 0) return length < 0 ? kConvertOk : kConvertCopyFailed;  // short input
        if (!writeAll(to, chunk.data(), got)) return kConvertCopyFailed;
        left -= got;
        processMessages();
    }
    return kConvertOk;
}

int TArchiveBuilder::RWCentralDir(HANDLE in, HANDLE out, const ZipEndOfCentral& end, std::int64_t shift) {
    std::array<std::uint8_t, zip::kCentralHeaderSize> header{};
    for (std::uint32_t i = 0; i < end.totalEntries; ++i) {
        if (!readExact(in, header.data(), header.size())) return kConvertCopyFailed;  // 11013
        std::optional<zip::CentralHeader> fields = zip::parseCentralHeader(header);
        if (!fields) return kConvertCopyFailed;  // 11015
        const auto variable = static_cast<std::int64_t>(fields->variableLength());
        if (!shifted(fields->localHeaderOffset, shift, fields->localHeaderOffset)) return kConvertCopyFailed;
        zip::storeCentralHeader(*fields, header);
        if (!writeAll(out, header.data(), header.size())) return kConvertCopyFailed;  // 11029
        if (CopyBuffer(in, out, variable) != kConvertOk) return kConvertCopyFailed;   // 11042
    }
    ZipEndOfCentral moved = end;
    LARGE_INTEGER skip;
    skip.QuadPart = static_cast<LONGLONG>(zip::kEndOfCentralSize);
    if (!::SetFilePointerEx(in, skip, nullptr, FILE_CURRENT)) return kConvertCopyFailed;  // 11043
    std::uint32_t directory = 0;
    if (!shifted(end.centralOffset, shift, directory)) return kConvertCopyFailed;
    moved.centralOffset = directory;
    const auto movedBytes = endRecordBytes(moved);
    if (!writeAll(out, movedBytes.data(), movedBytes.size())) return kConvertCopyFailed;  // 11030
    if (CopyBuffer(in, out, end.commentLength) != kConvertOk) return kConvertCopyFailed;  // 11044
    return kConvertOk;
}

int TArchiveBuilder::EraseFile(const std::string& name, DeleteOpts how) {
    if (!win32::fileExists(name)) return -1;
    return shellDeleteFile(fullPathOf(name), how == htdAllowUndo);
}

int TArchiveBuilder::CopyFileA(const std::string& source, const std::string& destination) {
    win32::UniqueFile in = openForReading(source);
    if (!in) return kCopySourceNotOpened;
    if (win32::fileExists(destination)) EraseFile(destination, howToDelete_);
    int result = kCopyOk;
    {
        win32::UniqueFile out(::CreateFileA(destination.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return kCopyNotCreated;
        FILETIME created, accessed, written;
        const auto inSize = sizeOf(in.get());
        if (CopyBuffer(in.get(), out.get(), -1) != kConvertOk)
            result = kCopyFailed;
        else if (!::GetFileTime(in.get(), &created, &accessed, &written) ||
                 !::SetFileTime(out.get(), &created, &accessed, &written))
            result = kCopyDateNotSet;
        else if (!inSize || sizeOf(out.get()) != inSize)
            result = kCopySizesDiffer;
    }
    if (result != kCopyOk) ::DeleteFileA(destination.c_str());
    return result;
}

int TArchiveBuilder::ConvertSFX(bool createNew) {
    if (!createNew && !win32::fileExists(zipFileName_)) {
        ShowArchiveMessage(msg::NoZipFile);
        return kConvertRefused;
    }
    const std::size_t strings = sfxCaption_.size() + sfxDefaultDir_.size() + sfxCommandLine_.size();
    if (strings >= 250) {
        ShowArchiveMessage(msg::SfxStringsTooLong,
                           "\r\nSFXCaption + SFXDefaultDir + SFXCommandLine = " + std::to_string(strings));
        return kConvertRefused;
    }
    if (sfxPath_.empty() || !win32::fileExists(sfxPath_)) {
        std::vector<std::string> places = {kStubName, folderOf(win32::programPath()) + "\\" + kStubName};
        char folder[MAX_PATH] = {};
        const UINT systemLength = ::GetSystemDirectoryA(folder, MAX_PATH);
        if (systemLength > 0 && systemLength < MAX_PATH)
            places.push_back(std::string(folder) + "\\" + kStubName);
        const UINT windowsLength = ::GetWindowsDirectoryA(folder, MAX_PATH);
        if (windowsLength > 0 && windowsLength < MAX_PATH)
            places.push_back(std::string(folder) + "\\" + kStubName);
        if (!dllDirectory_.empty()) places.push_back(dllDirectory_ + "\\" + kStubName);
        const auto found = std::find_if(places.begin(), places.end(), win32::fileExists);
        if (found == places.end()) {
            ShowArchiveMessage(msg::SfxStubNotFound);
            return kConvertRefused;
        }
        sfxPath_ = *found;
    }

    WaitCursor hourglass;
    sfx::SfxSettings settings;
    settings.caption = sfxCaption_;
    settings.defaultDir = sfxDefaultDir_;
    settings.commandLine = sfxCommandLine_;
    settings.options =
        static_cast<std::uint8_t>((sfxOptions_.has(SFXAskCmdLine) ? sfx::kOptAskCmdLine : 0) |
                                  (sfxOptions_.has(SFXAskFiles) ? sfx::kOptAskFiles : 0) |
                                  (sfxOptions_.has(SFXHideOverWriteBox) ? sfx::kOptHideOverwriteBox : 0) |
                                  (sfxOverWriteMode_ == OvrAlways ? sfx::kOptOverwriteAlways : 0) |
                                  (sfxOverWriteMode_ == OvrNever ? sfx::kOptOverwriteNever : 0) |
                                  (sfxOptions_.has(SFXCheckSize) ? 0 : sfx::kOptNoCheckSize) |
                                  (sfxOptions_.has(SFXAutoRun) ? sfx::kOptAutoRun : 0));
    const sfx::SettingsBlock block = *sfx::buildSettingsBlock(settings);  // the sum was checked above

    std::string output = zipFileName_;
    if (!createNew) {
        if (upperExtension(zipFileName_) != ".ZIP") {
            ShowArchiveMessage(msg::SfxNotAZip);
            return kConvertRefused;
        }
        // A volume's offsets belong to its set: copied behind a stub they
        // would make a broken program, and the volume would be erased after.
        if (isVolumeOfASet()) {
            ShowArchiveMessage(msg::SfxNotSpannable);
            return kConvertRefused;
        }
        output = withExtension(zipFileName_, ".exe");
    }

    int result = kConvertOk;
    bool sizesAddUp = true;
    std::uint64_t archiveSize = 0;  // the part of the archive copied
    {
        EraseFile(output, howToDelete_);
        win32::UniqueFile out = createOutput(output);
        if (!out) return kConvertCreateFailed;
        std::uint64_t stubSize = 0;
        win32::UniqueFile stub = openForReading(sfxPath_);
        const auto stubLength = stub ? sizeOf(stub.get()) : std::nullopt;
        if (!stubLength) {
            result = kConvertReadFailed;
        } else {
            stubSize = *stubLength;
            result = CopyBuffer(stub.get(), out.get(), static_cast<std::int64_t>(stubSize));
            if (result == kConvertOk && !writeAll(out.get(), block.data(), block.size()))
                result = kConvertCopyFailed;
        }
        const std::uint64_t prefix = stubSize + sfx::kSettingsBlockSize;
        if (result == kConvertOk && createNew) {
            ZipEndOfCentral end{};
            end.signature = zip::kEndOfCentralSignature;
            if (prefix > std::numeric_limits<std::uint32_t>::max()) {
                result = kConvertRefused;
            } else {
                end.centralOffset = static_cast<std::uint32_t>(prefix);
                const auto bytes = endRecordBytes(end);
                if (!writeAll(out.get(), bytes.data(), bytes.size())) result = kConvertCopyFailed;
            }
        } else if (result == kConvertOk) {
            result = appendArchive(out.get(), prefix, sizesAddUp, archiveSize);
        }
        if (result == kConvertOk && !createNew) {
            const auto outSize = sizeOf(out.get());
            if (!outSize || !sizesAddUp || *outSize != prefix + archiveSize) result = kConvertRefused;
        }
    }
    if (result != kConvertOk) {
        ::DeleteFileA(output.c_str());
        return result;
    }
    if (!createNew) {
        EraseFile(zipFileName_, howToDelete_);
        SetZipFileName(output);
    }
    return result;
}

bool TArchiveBuilder::isVolumeOfASet() {
    ZipEndOfCentral end{};
    DriveOperation call(*this);
    const bool found = findArchiveEnd(call.volumes, zipFileName_, volumeLabel_, end, false);
    // The last volume names its own disk; another one has no end record but
    // starts with the set's marker.
    return found ? end.thisDisk != 0 || end.centralDisk != 0 : call.volumes.endSearch.spanMarker;
}

// The conversion form's copy of ZipFileName behind the stub and block.
int TArchiveBuilder::appendArchive(HANDLE out, std::uint64_t prefix, bool& sizesAddUp,
                                   std::uint64_t& copied) {
    ZipEndOfCentral end{};
    // A failure is told as the conversion's result.
    DriveOperation call(*this);
    if (!findArchiveEnd(call.volumes, zipFileName_, volumeLabel_, end, true)) return kConvertReadFailed;
    win32::UniqueFile in = openForReading(zipFileName_);
    if (!in) return kConvertReadFailed;
    // Offsets that already disagree with the file (a prefix nobody moved
    // them for), or a directory beyond the classic fields' reach, are left
    // as they are: readers find such an archive by its end record.
    if (structureWarning_ || call.volumes.endSearch.zip64) {
        copied = call.volumes.fileSize;
        return CopyBuffer(in.get(), out, -1);
    }
    copied = call.volumes.archiveEnd;
    sizesAddUp = end.centralOffset <= call.volumes.archiveEnd;
    if (!sizesAddUp) return kConvertRefused;
    if (CopyBuffer(in.get(), out, end.centralOffset) != kConvertOk) return kConvertCopyFailed;
    return RWCentralDir(in.get(), out, end, static_cast<std::int64_t>(prefix));
}

int TArchiveBuilder::ConvertZIP() {
    if (!win32::fileExists(zipFileName_)) {
        ShowArchiveMessage(msg::ZipNoExe);
        return kConvertReadFailed;
    }
    if (upperExtension(zipFileName_) != ".EXE") {
        ShowArchiveMessage(msg::ZipNotAnExe);
        return kConvertReadFailed;
    }
    if (archiveDataStart_ <= 0) {
        ShowArchiveMessage(msg::ZipNoSfxPrefix);
        return kConvertRefused;
    }
    WaitCursor hourglass;
    const std::string output = withExtension(zipFileName_, ".zip");
    const std::uint64_t dataStart = static_cast<std::uint64_t>(archiveDataStart_);
    int result = kConvertOk;
    {
        EraseFile(output, howToDelete_);
        win32::UniqueFile out = createOutput(output);
        if (!out) return kConvertCreateFailed;
        ZipEndOfCentral end{};
        // A failure is told as the conversion's result.
        DriveOperation call(*this);
        const bool found = findArchiveEnd(call.volumes, zipFileName_, volumeLabel_, end, true);
        const VolumeDrive& archive = call.volumes;
        win32::UniqueFile in = found ? openForReading(zipFileName_) : win32::UniqueFile();
        std::uint64_t expected = 0;
        if (!in) {
            result = kConvertReadFailed;
        } else if (!seekTo(in.get(), dataStart)) {
            result = kConvertCopyFailed;
        } else if (structureWarning_ || archive.endSearch.zip64) {
            expected = archive.fileSize - std::min(archive.fileSize, dataStart);
            result = CopyBuffer(in.get(), out.get(), -1);
        } else if (end.centralOffset < dataStart) {
            result = kConvertRefused;
        } else {
            expected = archive.archiveEnd - std::min(archive.archiveEnd, dataStart);
            result = CopyBuffer(in.get(), out.get(), end.centralOffset - dataStart);
            if (result == kConvertOk)
                result = RWCentralDir(in.get(), out.get(), end, -static_cast<std::int64_t>(dataStart));
        }
        if (result == kConvertOk && sizeOf(out.get()) != expected) result = kConvertRefused;
    }
    if (result != kConvertOk) {
        ::DeleteFileA(output.c_str());
        return result;
    }
    EraseFile(zipFileName_, howToDelete_);
    SetZipFileName(output);
    return result;
}

}  // namespace tavrix::archive
