#pragma once
// Owners for the GDI and window handles of the buttons.
#include <windows.h>

#include "app/unique_handle.h"

namespace qp {

struct IconTraits {
    using Type = HICON;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};
using UniqueIcon = UniqueAny<IconTraits>;

struct GdiObjectTraits {  // pens, brushes
    using Type = HGDIOBJ;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};
using UniqueGdiObject = UniqueAny<GdiObjectTraits>;

struct WindowTraits {
    using Type = HWND;
    static Type Invalid() { return nullptr; }
    static void Close(Type h) { DestroyWindow(h); }
};
using UniqueWindow = UniqueAny<WindowTraits>;

// Puts back the object a device context had selected before.
class SelectionRestorer {
public:
    SelectionRestorer(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectionRestorer() { SelectObject(dc_, previous_); }
    SelectionRestorer(const SelectionRestorer&) = delete;
    SelectionRestorer& operator=(const SelectionRestorer&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace qp
