#include "common/win32/FileInput.h"

#include <algorithm>

namespace tavrix::win32 {

std::unique_ptr<FileInput> FileInput::of(UniqueFile file) {
    if (!file) return nullptr;
    // The size is all there is to ask. Not GetFileInformationByHandle: its
    // volume serial number costs Wine a round trip to its mount manager,
    // about ten times what opening, reading and closing a small file costs.
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return nullptr;
    return std::unique_ptr<FileInput>(
        new FileInput(std::move(file), static_cast<std::uint64_t>(size.QuadPart)));
}

// Seeks only when the read does not follow the previous one: reads are
// mostly sequential, and Wine serves reads that name an offset slowly.
std::ptrdiff_t FileInput::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t total = 0;
    while (total < count) {
        const std::uint64_t at = offset + total;
        if (at != position_) {
            LARGE_INTEGER to;
            to.QuadPart = static_cast<LONGLONG>(at);
            if (to.QuadPart < 0 || !::SetFilePointerEx(file_.get(), to, nullptr, FILE_BEGIN)) return -1;
            position_ = at;
        }
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - total, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file_.get(), out + total, want, &got, nullptr)) {
            position_ = kPositionUnknown;
            return -1;
        }
        if (got == 0) break;  // the end of the file
        position_ += got;
        total += got;
    }
    return static_cast<std::ptrdiff_t>(total);
}

}  // namespace tavrix::win32
