#include "archive/EngineUse.h"

namespace tavrix::archive {

EngineUse::EngineUse(TArchiveBuilder& component, EngineLibrary& engine)
    : component_(component), engine_(engine), loadedHere_(!engine.loaded()) {
    if (loadedHere_) engine.load(component.dllDirectory_, component.trace_, component.reporter());
}

EngineUse::~EngineUse() {
    engine_.setBusy(false);
    if (loadedHere_ || engine_.unloadWhenIdle()) engine_.unload();
    component_.cancel_ = false;
}

}  // namespace tavrix::archive
