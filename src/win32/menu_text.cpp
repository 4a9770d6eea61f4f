#include "win32/menu_text.h"

#include <cstring>

namespace qp {

int FindMenuItem(HMENU menu, std::initializer_list<const char*> texts) {
    int count = GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position) {
        char itemText[256] = "";
        GetMenuStringA(menu, position, itemText, sizeof itemText, MF_BYPOSITION);
        for (const char* text : texts)
            if (std::strcmp(itemText, text) == 0) return position;
    }
    return -1;
}

bool RenameMenuItem(HMENU menu, std::initializer_list<const char*> texts, const std::string& text) {
    int position = FindMenuItem(menu, texts);
    if (position < 0) return false;
    UINT id = GetMenuItemID(menu, position);
    ModifyMenuA(menu, id, MF_BYCOMMAND | MF_STRING, id, text.c_str());
    return true;
}

}  // namespace qp
