#include "buttons/win32_launch_button.h"

#include <shellapi.h>

#include <vector>

#include "buttons/button_look.h"
#include "buttons/display_name.h"
#include "buttons/slot_operations.h"
#include "buttons/win32_shell_icon.h"
#include "buttons/win32_slot_menu.h"
#include "i18n/language_table.h"
#include "settings/settings.h"
#include "slot_menu_ids.h"
#include "ui/win32_tip_control.h"
#include "win32/selection_restorer.h"

namespace qp {

namespace {

constexpr int kFloatingStyle = 2;
const std::string kNoFile;

int SystemColourIndex(EdgeColour colour) {
    switch (colour) {
    case EdgeColour::Highlight: return COLOR_BTNHIGHLIGHT;
    case EdgeColour::Light: return COLOR_3DLIGHT;
    case EdgeColour::Shadow: return COLOR_BTNSHADOW;
    case EdgeColour::DarkShadow: return COLOR_3DDKSHADOW;
    }
    return COLOR_BTNSHADOW;
}

std::vector<std::string> DroppedPaths(HDROP drop) {
    const UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
    std::vector<std::string> paths;
    for (UINT index = 0; index < count; ++index) {
        char path[260] = "";
        const UINT length = DragQueryFileA(drop, index, path, sizeof path);
        paths.emplace_back(length ? path : "");
    }
    return paths;
}

}  // namespace

void LaunchButton::Attach(HWND dialog, int id, int slot, const SettingsStore& settings,
                          TipControl& tips, SlotOperations& slots) {
    slot_ = slot;
    settings_ = &settings;
    slots_ = &slots;
    IconButton::Attach(dialog, id, tips);
}

const std::string& LaunchButton::ProgramFile() const {
    if (slot_ < 0 || !settings_) return kNoFile;
    return settings_->Values().ProgramFile[slot_];
}

void LaunchButton::RefreshSlot(int32_t style) {
    const std::string& file = ProgramFile();
    if (file.empty()) {
        SetResourceIcon(0);
        SetTipText(Language().Text(2));
        return;
    }
    SetFileIcon(ShellIconFor(file, style == kFloatingStyle));
    SetTipText(DisplayName(file));
}

void LaunchButton::PaintButton(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    RECT rect = item.rcItem;
    SetBkMode(dc, TRANSPARENT);
    UniqueGdiObject black(CreateSolidBrush(RGB(0, 0, 0)));
    FrameRect(dc, &rect, static_cast<HBRUSH>(black.get()));

    const Rect area{rect.left, rect.top, rect.right, rect.bottom};
    if (HICON icon = Icon()) {
        if (auto iconArea = IconArea(Kind, SlotStyle, {IconInsetX, IconInsetY}, area)) {
            DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0,
                       iconArea->left, iconArea->top, iconArea->right - iconArea->left,
                       iconArea->bottom - iconArea->top, DST_ICON | DSS_NORMAL);
        }
    }

    UniqueGdiObject pens[4];
    for (EdgeColour colour : {EdgeColour::Highlight, EdgeColour::Light, EdgeColour::Shadow,
                              EdgeColour::DarkShadow})
        pens[static_cast<int>(colour)].reset(
            CreatePen(PS_SOLID, 1, GetSysColor(SystemColourIndex(colour))));

    const bool pushed = (SendMessageA(hwnd(), BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
    const bool pressed = LooksPressed(Kind, !ProgramFile().empty(), pushed);
    SelectionRestorer restorePen(dc, pens[0].get());
    for (const EdgeLine& line : EdgeLines(area, pressed)) {
        SelectObject(dc, pens[static_cast<int>(line.colour)].get());
        POINT points[3];
        for (int i = 0; i < 3; ++i) points[i] = {line.points[i].x, line.points[i].y};
        Polyline(dc, points, 3);
    }
}

LRESULT LaunchButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_RBUTTONDOWN:
        return OnRightButtonDown(wParam, lParam);
    case WM_COMMAND:
        if (slot_ < 0) break;
        if (LOWORD(wParam) == ID_SLOT_BROWSE) {
            slots_->MenuBrowse(slot_, SlotStyle);
            return 0;
        }
        if (LOWORD(wParam) == ID_SLOT_DELETE) {
            slots_->MenuDelete(slot_, SlotStyle);
            return 0;
        }
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

void LaunchButton::OnDropFiles(HDROP drop) {
    if (slot_ >= 0) slots_->Drop(slot_, SlotStyle, DroppedPaths(drop));
    DragFinish(drop);
}

// The chosen command comes back to this button, which knows its slot.
LRESULT LaunchButton::OnRightButtonDown(WPARAM wParam, LPARAM lParam) {
    if (SlotStyle != kFloatingStyle)
        return Default(WM_RBUTTONDOWN, wParam, lParam);
    UniqueMenu menu = LoadSlotMenu();
    if (HMENU popup = GetSubMenu(menu.get(), 0)) {
        GetCursorPos(&MenuPoint);
        TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_BOTTOMALIGN, MenuPoint.x, MenuPoint.y, 0,
                       hwnd(), nullptr);
    }
    return Default(WM_RBUTTONDOWN, wParam, lParam);
}

}  // namespace qp
