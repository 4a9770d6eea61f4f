#pragma once
#include <windows.h>

namespace qp {

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
