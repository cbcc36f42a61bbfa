// A file read at positions through a Windows handle: the engines' and the
// component's files to read. Each opens the handle its own way (wide or
// ANSI names, the sharing it needs) and hands it over.
#pragma once

#include "common/support/RandomAccessInput.h"
#include "common/win32/UniqueHandle.h"

#include <cstdint>
#include <memory>

namespace tavrix::win32 {

class FileInput final : public RandomAccessInput {
public:
    // nullptr when the handle is empty or its size cannot be read.
    static std::unique_ptr<FileInput> of(UniqueFile file);
    std::uint64_t size() const override { return size_; }
    std::ptrdiff_t readAt(std::uint64_t offset, void* buffer, std::size_t count) override;

private:
    static constexpr std::uint64_t kPositionUnknown = ~std::uint64_t{0};
    FileInput(UniqueFile file, std::uint64_t size) : file_(std::move(file)), size_(size) {}
    UniqueFile file_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;  // where the handle's file pointer stands
};

}  // namespace tavrix::win32
