// The bytes of one resource of a loaded module, as a read-only view that
// lives as long as the module stays loaded; empty when there is none.
#pragma once

#include <windows.h>

#include <cstdint>
#include <span>

namespace tavrix::skin {

inline std::span<const std::uint8_t> resourceBytes(HMODULE module, LPCSTR name, LPCSTR type) {
    HRSRC info = FindResourceA(module, name, type);
    if (!info) return {};
    HGLOBAL loaded = LoadResource(module, info);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data) return {};
    return {static_cast<const std::uint8_t*>(data), SizeofResource(module, info)};
}

}  // namespace tavrix::skin
