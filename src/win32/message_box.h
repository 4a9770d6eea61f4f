#pragma once
#include <windows.h>

namespace qp {

// The program's own messages: OK button, exclamation icon, captioned with its name.
inline int ShowMessage(HWND owner, const char* text) {
    return MessageBoxA(owner, text, "Quilpad", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace qp
