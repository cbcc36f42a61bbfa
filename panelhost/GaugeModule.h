// One loaded gauge module: its library, the records it exports, and its
// routines called the way the panel interface asks (for a version-800 header,
// with the gauge callback's service ids before and after each routine).
#pragma once

#include <windows.h>

#include <memory>
#include <span>
#include <string>

#include "common/win32/UniqueHandle.h"
#include "gauges/GaugeRecords.h"

namespace tavrix::panel {

class GaugeModule {
public:
    // Loads the library, finds Linkage and ImportTable, writes `services` into
    // the ImportTable and calls the module init routine. Null with `error` set
    // when the file is not a gauge module, or when it is one of `inUse`: a
    // module's records and statics exist once in a process, so it can run
    // one gauge only, and it must not be initialized twice.
    static std::unique_ptr<GaugeModule> load(const std::string& path, gauges::PanelServices* services,
                                             std::string& error, std::span<const HMODULE> inUse = {});
    ~GaugeModule();  // module deinit, then the library is released
    GaugeModule(const GaugeModule&) = delete;
    GaugeModule& operator=(const GaugeModule&) = delete;

    HMODULE handle() const { return library_.get(); }
    gauges::Linkage& linkage() const { return *linkage_; }
    gauges::ImportTable& imports() const { return *imports_; }
    gauges::GaugeHeader& header() const { return *linkage_->gauges[0]; }
    gauges::ElementHeader* root() const { return *header().elementList; }

    void query();
    void install();
    void initialize();
    void update();
    void generate(std::uint32_t phase);
    void draw();
    void kill();

private:
    GaugeModule() = default;
    template <typename Routine>
    void around(std::uint32_t beforeId, std::uintptr_t extra, Routine&& routine);
    // A routine without arguments, named by its field in the header's routine list.
    void call(std::uint32_t beforeId, gauges::GaugeRoutine gauges::GaugeRoutines::*routine);

    win32::UniqueModule library_;
    gauges::Linkage* linkage_ = nullptr;
    gauges::ImportTable* imports_ = nullptr;
};

}  // namespace tavrix::panel
