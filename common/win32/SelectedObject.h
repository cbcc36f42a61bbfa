// Selects a GDI object into a device context for the length of a scope.
#pragma once

#include <windows.h>

namespace tavrix::win32 {

// Selects the object on construction and puts the one it replaced back on
// destruction, so an early return never leaves the object selected: a DC
// must not be deleted, nor an object deleted, while it is still selected.
// Declare it after the owners of the DC and the object, so it ends first.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(::SelectObject(dc, object)) {}
    ~SelectedObject() {
        if (previous_ && previous_ != HGDI_ERROR) ::SelectObject(dc_, previous_);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace tavrix::win32
