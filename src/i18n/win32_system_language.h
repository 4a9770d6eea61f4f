#pragma once
// Start-up's language step: the program's language table loaded for the system locale.
#include <windows.h>

namespace qp {

// Reads GetSystemDefaultLCID and loads Language() for its code from "Language.ini".
// Call once on the user-interface thread before any worker thread starts; owner owns
// the missing-file message.
void LoadLanguageTable(HWND owner = nullptr);

}  // namespace qp
