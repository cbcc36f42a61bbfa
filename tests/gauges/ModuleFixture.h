// A gauge module loaded fresh for one test (so its statics start at zero),
// with a service table that records every call the module makes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/win32/UniqueHandle.h"
#include "gauges/GaugeRecords.h"
#include "panelhost/SharedBlock.h"

namespace gaugetest {

namespace g = tavrix::gauges;

// Reads a little-endian field at a byte offset of a record, independent of
// how the records are declared.
template <typename T = std::uint32_t>
T fieldAt(const void* record, std::size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const std::uint8_t*>(record) + offset, sizeof value);
    return value;
}
inline void* pointerAt(const void* record, std::size_t offset) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(fieldAt(record, offset)));
}

class RecordingServices {
public:
    RecordingServices();
    ~RecordingServices();

    g::PanelServices table{};
    std::vector<std::string> calls;
    std::map<const void*, std::string> names;  // element and list names used in `calls`
    std::vector<std::uint32_t> events;
    g::LoadedImageHead fakeImage{0, {302, 302}};  // what "install" hands to static images
    const g::ImageSize* mouseInstallSize = nullptr;
    const g::MouseRect* mouseList = nullptr;

    std::string name(const void* p) const;
};

class LoadedModule {
public:
    explicit LoadedModule(const char* path);

    tavrix::win32::UniqueModule library;
    HMODULE handle = nullptr;  // library's, for the tests to use
    void* linkage = nullptr;
    void* imports = nullptr;

    g::Linkage& links() const { return *static_cast<g::Linkage*>(linkage); }
    g::GaugeHeader& header() const { return *links().gauges[0]; }
    g::ElementHeader* root(int cell) const { return header().elementList[cell]; }
    g::NeedleElement* needle(int cell) const {
        return reinterpret_cast<g::NeedleElement*>(root(cell)->nextList[0]);
    }
    void attach(RecordingServices& services) {
        static_cast<g::ImportTable*>(imports)->services = &services.table;
    }
};

// The block the flaps module looks for, as the panel's switch makes it.
class AppearanceBlock {
public:
    explicit AppearanceBlock(std::uint32_t word);
    void set(std::uint32_t word) { block_.setAppearanceWord(word); }

private:
    tavrix::panel::SharedBlock block_;
};

}  // namespace gaugetest
