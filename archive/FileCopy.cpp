#include "archive/FileCopy.h"

#include "archive/ConversionResults.h"
#include "archive/DiskSpan.h"
#include "archive/Win32Support.h"
#include "common/ZipFormat.h"
#include "common/zip/ZipRecords.h"

#include <algorithm>
#include <array>
#include <limits>
#include <vector>

namespace tavrix::archive {
namespace {

constexpr std::size_t kCopyChunk = 8192;

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

// A 32-bit offset moved by `shift`; false when it would leave the 32-bit range.
bool shifted(std::uint32_t value, std::int64_t shift, std::uint32_t& out) {
    const std::int64_t moved = static_cast<std::int64_t>(value) + shift;
    if (moved < 0 || moved > static_cast<std::int64_t>(std::numeric_limits<std::uint32_t>::max()))
        return false;
    out = static_cast<std::uint32_t>(moved);
    return true;
}

}  // namespace

win32::UniqueFile openForCopying(const std::string& path) {
    return win32::UniqueFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                                           nullptr));
}

win32::UniqueFile createCopy(const std::string& path) {
    return win32::UniqueFile(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
}

std::optional<std::uint64_t> sizeOfFile(HANDLE file) {
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file, &size) || size.QuadPart < 0) return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

bool seekTo(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN) != 0;
}

int copyBytes(HANDLE from, HANDLE to, std::int64_t length) {
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

int copyCentralDirectory(HANDLE in, HANDLE out, const ZipEndOfCentral& end, std::int64_t shift) {
    std::array<std::uint8_t, zip::kCentralHeaderSize> header{};
    for (std::uint32_t i = 0; i < end.totalEntries; ++i) {
        if (!readExact(in, header.data(), header.size())) return kConvertCopyFailed;  // 11013
        std::optional<zip::CentralHeader> fields = zip::parseCentralHeader(header);
        if (!fields) return kConvertCopyFailed;  // 11015
        const auto variable = static_cast<std::int64_t>(fields->variableLength());
        if (!shifted(fields->localHeaderOffset, shift, fields->localHeaderOffset)) return kConvertCopyFailed;
        zip::storeCentralHeader(*fields, header);
        if (!writeAll(out, header.data(), header.size())) return kConvertCopyFailed;  // 11029
        if (copyBytes(in, out, variable) != kConvertOk) return kConvertCopyFailed;    // 11042
    }
    ZipEndOfCentral moved = end;
    LARGE_INTEGER skip;
    skip.QuadPart = static_cast<LONGLONG>(zip::kEndOfCentralSize);
    if (!::SetFilePointerEx(in, skip, nullptr, FILE_CURRENT)) return kConvertCopyFailed;  // 11043
    std::uint32_t directory = 0;
    if (!shifted(end.centralOffset, shift, directory)) return kConvertCopyFailed;
    moved.centralOffset = directory;
    std::array<std::uint8_t, zip::kEndOfCentralSize> movedBytes{};
    zip::storeEndRecord(endRecordFrom(moved), movedBytes);
    if (!writeAll(out, movedBytes.data(), movedBytes.size())) return kConvertCopyFailed;  // 11030
    if (copyBytes(in, out, end.commentLength) != kConvertOk) return kConvertCopyFailed;   // 11044
    return kConvertOk;
}

}  // namespace tavrix::archive
