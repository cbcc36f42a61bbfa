// How a module reaches the host: through the service table address the host
// wrote into the module's ImportTable. Read afresh at every call, since the
// host may write it at any time before calling.
#pragma once

#include "gauges/GaugeRecords.h"

// Each module defines its own ImportTable; this is the one in the module
// being built (every .gau compiles these headers in on its own).
extern "C" tavrix::gauges::ImportTable ImportTable;

namespace tavrix::gauges {

inline PanelServices& panelServices(const ImportTable& imports) {
    return **static_cast<PanelServices* const volatile*>(&imports.services);
}

inline PanelServices& host() {
    return panelServices(::ImportTable);
}

// A mouse callback that sends one key event: what every clickable box of our
// modules does. The click point and the mouse flags do not matter.
template <std::uint32_t kEvent>
std::int32_t GAUGE_CALL sendEventOnClick(Point*, std::uint32_t) {
    host().triggerKeyEvent(kEvent, 0);
    return 0;
}

}  // namespace tavrix::gauges
