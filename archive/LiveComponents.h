// The components that exist now. An engine hands back the caller field of
// the record; the callback accepts only an address that is one of these.
#pragma once

namespace tavrix::archive {

bool isLiveComponent(const void* candidate);

}  // namespace tavrix::archive
