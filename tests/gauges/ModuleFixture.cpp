#include "tests/gauges/ModuleFixture.h"

#include <gtest/gtest.h>

namespace gaugetest {

namespace {

RecordingServices* recorder = nullptr;

void log(const std::string& call) {
    recorder->calls.push_back(call);
}

void GAUGE_CALL query(g::ElementHeader* root) {
    log("query " + recorder->name(root));
}
void GAUGE_CALL install(g::ElementHeader* root, g::ResourceHandle) {
    log("install " + recorder->name(root));
    // Like a host: a static image's first host field points at its loaded image.
    if (root->type == g::kStaticImage)
        reinterpret_cast<g::StaticImageElement610*>(root)->loadedImage = &recorder->fakeImage;
}
void GAUGE_CALL initialize(g::ElementHeader* root) {
    log("initialize " + recorder->name(root));
}
void GAUGE_CALL update(g::ElementHeader* root) {
    log("update " + recorder->name(root));
}
void GAUGE_CALL generate(g::ElementHeader* root, std::uint32_t phase) {
    log("generate " + recorder->name(root) + " " + std::to_string(phase));
}
void GAUGE_CALL plot(g::ElementHeader* root) {
    log("plot " + recorder->name(root));
}
void GAUGE_CALL kill(g::ElementHeader* root) {
    log("kill " + recorder->name(root));
}
void GAUGE_CALL mouseInstall(g::MouseRect* list, g::GaugeHeader*, g::ImageSize* size) {
    recorder->mouseInstallSize = size;
    recorder->mouseList = list;
    recorder->names.emplace(list, "list");  // the module's list is first seen here
    log("mouse install " + recorder->name(list) + " " + std::to_string(size->width) + "x" +
        std::to_string(size->height));
}
void GAUGE_CALL mouseRegister(g::MouseRect* list, g::GaugeHeader*) {
    log("mouse register " + recorder->name(list));
}
void GAUGE_CALL mouseUnregister(g::MouseRect* list, g::GaugeHeader*) {
    log("mouse unregister " + recorder->name(list));
}
std::int32_t GAUGE_CALL trigger(std::uint32_t id, std::uint32_t value) {
    log("event " + std::to_string(id) + " " + std::to_string(value));
    recorder->events.push_back(id);
    return 1;
}

}  // namespace

RecordingServices::RecordingServices() {
    table.elementListQuery = query;
    table.elementListInstall = install;
    table.elementListInitialize = initialize;
    table.elementListUpdate = update;
    table.elementListGenerate = generate;
    table.elementListPlot = plot;
    table.elementListKill = kill;
    table.mouseListInstall = mouseInstall;
    table.mouseListRegister = mouseRegister;
    table.mouseListUnregister = mouseUnregister;
    table.triggerKeyEvent = trigger;
    recorder = this;
}

RecordingServices::~RecordingServices() {
    recorder = nullptr;
}

std::string RecordingServices::name(const void* p) const {
    auto it = names.find(p);
    return it == names.end() ? "?" : it->second;
}

LoadedModule::LoadedModule(const char* path) : library(::LoadLibraryA(path)), handle(library.get()) {
    if (handle == nullptr) {
        ADD_FAILURE() << "cannot load " << path << " (error " << ::GetLastError() << ")";
        return;
    }
    linkage = reinterpret_cast<void*>(::GetProcAddress(handle, "Linkage"));
    imports = reinterpret_cast<void*>(::GetProcAddress(handle, "ImportTable"));
    if (linkage == nullptr || imports == nullptr) ADD_FAILURE() << path << " lacks Linkage or ImportTable";
}

AppearanceBlock::AppearanceBlock(std::uint32_t word) {
    if (!block_.create()) ADD_FAILURE() << "cannot create the shared block";
    set(word);
}

}  // namespace gaugetest
