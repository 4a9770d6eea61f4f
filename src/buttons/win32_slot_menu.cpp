#include "buttons/win32_slot_menu.h"

#include "i18n/language_table.h"
#include "slot_menu_ids.h"
#include "win32/menu_text.h"

namespace qp {

UniqueMenu LoadSlotMenu() {
    UniqueMenu menu(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_SLOT_MENU)));
    if (HMENU popup = GetSubMenu(menu.get(), 0)) {
        RenameMenuItem(popup, "Browse ", Language().Text(2));
        RenameMenuItem(popup, "Delete", Language().Text(17));
    }
    return menu;
}

}  // namespace qp
