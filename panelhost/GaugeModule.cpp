#include "panelhost/GaugeModule.h"

#include <algorithm>

namespace tavrix::panel {

namespace g = gauges;

std::unique_ptr<GaugeModule> GaugeModule::load(const std::string& path, g::PanelServices* services,
                                               std::string& error, std::span<const HMODULE> inUse) {
    std::unique_ptr<GaugeModule> module(new GaugeModule);
    module->library_.reset(::LoadLibraryA(path.c_str()));
    if (!module->library_) {
        error = "cannot load " + path + " (error " + std::to_string(::GetLastError()) + ")";
        return nullptr;
    }
    // LoadLibrary only counted one more use of the library already running a
    // gauge; `module` gives that back without calling into the module.
    if (std::find(inUse.begin(), inUse.end(), module->library_.get()) != inUse.end()) {
        error = path + " is already on the panel";
        return nullptr;
    }
    auto* linkage = reinterpret_cast<g::Linkage*>(::GetProcAddress(module->library_.get(), "Linkage"));
    auto* imports =
        reinterpret_cast<g::ImportTable*>(::GetProcAddress(module->library_.get(), "ImportTable"));
    if (linkage == nullptr || imports == nullptr) {
        error = path + " exports no Linkage or ImportTable";
        return nullptr;
    }
    if (linkage->gauges[0] == nullptr || linkage->gauges[0]->elementList == nullptr ||
        *linkage->gauges[0]->elementList == nullptr) {
        error = path + " lists no gauge";
        return nullptr;
    }
    if (imports->servicesId != g::kPanelServicesImportId) {
        error = path + " does not ask for the panel services";
        return nullptr;
    }
    module->linkage_ = linkage;
    module->imports_ = imports;
    imports->services = services;
    if (linkage->moduleInit) linkage->moduleInit();
    return module;
}

GaugeModule::~GaugeModule() {
    if (linkage_ != nullptr && linkage_->moduleDeinit) linkage_->moduleDeinit();
}

template <typename Routine>
void GaugeModule::around(std::uint32_t beforeId, std::uintptr_t extra, Routine&& routine) {
    g::GaugeHeader& h = header();
    const bool notify = h.version >= g::kHeaderVersion800 && h.callback != nullptr;
    if (notify) h.callback(&h, beforeId, extra);
    routine(h);
    if (notify) h.callback(&h, beforeId + 1, extra);
}

void GaugeModule::call(std::uint32_t beforeId, g::GaugeRoutine g::GaugeRoutines::*routine) {
    around(beforeId, 0, [routine](g::GaugeHeader& h) {
        if (h.routines.*routine) (h.routines.*routine)();
    });
}

void GaugeModule::query() {
    call(g::kServiceBeforeQuery, &g::GaugeRoutines::query);
}
void GaugeModule::install() {
    // The resource handle is the module's own: its bitmaps are its resources.
    const auto resources = static_cast<g::ResourceHandle>(library_.get());
    around(g::kServiceBeforeInstall, reinterpret_cast<std::uintptr_t>(resources), [&](g::GaugeHeader& h) {
        if (h.routines.install) h.routines.install(resources);
    });
}
void GaugeModule::initialize() {
    call(g::kServiceBeforeInitialize, &g::GaugeRoutines::initialize);
}
void GaugeModule::update() {
    call(g::kServiceBeforeUpdate, &g::GaugeRoutines::update);
}
void GaugeModule::generate(std::uint32_t phase) {
    around(g::kServiceBeforeGenerate, phase, [&](g::GaugeHeader& h) {
        if (h.routines.generate) h.routines.generate(phase);
    });
}
void GaugeModule::draw() {
    call(g::kServiceBeforeDraw, &g::GaugeRoutines::draw);
}
void GaugeModule::kill() {
    call(g::kServiceBeforeKill, &g::GaugeRoutines::kill);
}

}  // namespace tavrix::panel
