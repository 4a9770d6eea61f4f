#pragma once
#include <windows.h>

#include "win32/unique_handle.h"

namespace qp {

// Menu 155 with its items' localized texts; the popup to show is its first submenu.
UniqueMenu LoadSlotMenu();

}  // namespace qp
