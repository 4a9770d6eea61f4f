// The slot button's own menu (floating layout); shared by slot_menu.rc and the code.
#pragma once

#define IDM_SLOT_MENU 155
#define ID_SLOT_BROWSE 32786
#define ID_SLOT_DELETE 32787
