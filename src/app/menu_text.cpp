#include "app/menu_text.h"

#include <cstring>

namespace qp {

bool RenameMenuItem(HMENU menu, const char* current, const std::string& text) {
    int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char itemText[260] = "";
        GetMenuStringA(menu, position, itemText, sizeof itemText, MF_BYPOSITION);
        if (std::strcmp(itemText, current) != 0) continue;
        UINT id = GetMenuItemID(menu, position);
        ModifyMenuA(menu, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
        return true;
    }
    return false;
}

}  // namespace qp
