// Non-copyable owners for Win32 handles.
#pragma once

#include <windows.h>

#include <utility>

namespace tavrix::win32 {

// Owns one handle described by Traits (its type, its empty value and how it
// is released). Movable, not copyable.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::empty(); }
    Handle release() { return std::exchange(handle_, Traits::empty()); }
    void reset(Handle handle = Traits::empty()) {
        Handle old = std::exchange(handle_, handle);
        if (old != Traits::empty()) Traits::close(old);
    }

private:
    Handle handle_ = Traits::empty();
};

namespace traits {
struct KernelObject {
    using Handle = HANDLE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::CloseHandle(h); }
};
struct File {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { ::CloseHandle(h); }
};
struct Find {
    using Handle = HANDLE;
    static Handle empty() { return INVALID_HANDLE_VALUE; }
    static void close(Handle h) { ::FindClose(h); }
};
struct Module {
    using Handle = HMODULE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::FreeLibrary(h); }
};
struct GdiObject {
    using Handle = HGDIOBJ;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::DeleteObject(h); }
};
struct MemoryDc {
    using Handle = HDC;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::DeleteDC(h); }
};
struct Icon {
    using Handle = HICON;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::DestroyIcon(h); }
};
struct EnhancedMetafile {
    using Handle = HENHMETAFILE;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::DeleteEnhMetaFile(h); }
};
struct MappedView {
    using Handle = void*;
    static Handle empty() { return nullptr; }
    static void close(Handle h) { ::UnmapViewOfFile(h); }
};
}  // namespace traits

using UniqueKernelHandle = UniqueHandle<traits::KernelObject>;  // events, mappings
using UniqueFile = UniqueHandle<traits::File>;                  // CreateFile results
using UniqueFind = UniqueHandle<traits::Find>;                  // FindFirstFile results
using UniqueModule = UniqueHandle<traits::Module>;              // LoadLibrary results
using UniqueGdiObject = UniqueHandle<traits::GdiObject>;
using UniqueMemoryDc = UniqueHandle<traits::MemoryDc>;
using UniqueIcon = UniqueHandle<traits::Icon>;
using UniqueEnhancedMetafile = UniqueHandle<traits::EnhancedMetafile>;
using UniqueView = UniqueHandle<traits::MappedView>;  // MapViewOfFile results

}  // namespace tavrix::win32
