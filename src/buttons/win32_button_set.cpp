#include "buttons/win32_button_set.h"

#include <shellapi.h>

#include "buttons/button_look.h"
#include "buttons/slot_commands.h"
#include "buttons/slot_ids.h"
#include "i18n/language_table.h"
#include "resource.h"
#include "ui/win32_file_chooser.h"

namespace qp {

namespace {

static_assert(kSlotButtonIds[0] == IDC_SLOT0 && kSlotButtonIds[3] == IDC_SLOT3);
static_assert(kClearButtonIds[0] == IDC_CLEAR0 && kBrowseButtonIds[3] == IDC_BROWSE3);
static_assert(kClearAllButtonId == IDC_CLEAR_ALL && kStatusStripId == IDC_STATUS_STRIP);
static_assert(kDeleteAllCommand == ID_FLOAT_DELETE_ALL);
static_assert(kButtonDoubleClicked == BN_DOUBLECLICKED && kButtonClicked == BN_CLICKED);

constexpr int kAllButtonIds[17] = {
    IDC_SLOT0,   IDC_SLOT1,   IDC_SLOT2,   IDC_SLOT3,   IDC_SLOT4_SPARE, IDC_CLEAR0,
    IDC_BROWSE0, IDC_CLEAR1,  IDC_BROWSE1, IDC_CLEAR2,  IDC_BROWSE2,     IDC_CLEAR3,
    IDC_BROWSE3, IDC_CLEAR4_SPARE, IDC_BROWSE4_SPARE, IDC_MAIL_SETTINGS, IDC_CLEAR_ALL};

constexpr int kBrowseIcon = 131;
constexpr int kClearIcon = 132;
constexpr int kMailSettingsIcon = 134;
constexpr int kClearAllIcon = 149;

}  // namespace

ButtonSet::ButtonSet(SettingsStore& settings, SlotWindow& window)
    : settings_(settings), slots_(settings, *this, window) {}

void ButtonSet::Attach(HWND dialog) {
    dialog_ = dialog;
    for (size_t i = 0; i < buttons_.size(); ++i)
        buttons_[i].Attach(dialog, kAllButtonIds[i], SlotOfButton(kAllButtonIds[i]), settings_,
                           tips_, slots_);
}

LaunchButton* ButtonSet::Button(int id) {
    for (size_t i = 0; i < buttons_.size(); ++i)
        if (kAllButtonIds[i] == id) return &buttons_[i];
    return nullptr;
}

void ButtonSet::SetRoles(int32_t style) {
    for (int id : kSlotButtonIds) Button(id)->Kind = SlotButton;
    SetSlotStyle(style);
    for (int id : kClearButtonIds) Button(id)->Kind = ClearButton;
    Button(IDC_CLEAR_ALL)->Kind = ClearButton;
    for (int id : kBrowseButtonIds) Button(id)->Kind = BrowseButton;
    Button(IDC_MAIL_SETTINGS)->Kind = SettingsButton;
}

void ButtonSet::SetSlotStyle(int32_t style) {
    const Inset inset = SlotIconInset(style);
    for (int id : kSlotButtonIds) {
        LaunchButton* button = Button(id);
        button->SlotStyle = style;
        button->IconInsetX = inset.x;
        button->IconInsetY = inset.y;
    }
}

void ButtonSet::SetButtonImages() {
    for (int id : kClearButtonIds) Button(id)->SetResourceIcon(kClearIcon);
    Button(IDC_CLEAR_ALL)->SetResourceIcon(kClearAllIcon);
    Button(IDC_MAIL_SETTINGS)->SetResourceIcon(kMailSettingsIcon);
    for (int id : kBrowseButtonIds) Button(id)->SetResourceIcon(kBrowseIcon);
}

void ButtonSet::CreateTips() { tips_.Create(); }

void ButtonSet::AttachTips() {
    Button(IDC_MAIL_SETTINGS)->SetTipText("Mail received function setting");
    for (int slot = 0; slot < kSlotCount; ++slot)
        Button(kBrowseButtonIds[slot])->SetTipText(Language().Text(7 + slot));
    for (int slot = 0; slot < kSlotCount; ++slot)
        Button(kClearButtonIds[slot])->SetTipText(Language().Text(3 + slot));
    Button(IDC_CLEAR_ALL)->SetTipText(Language().Text(11));
}

void ButtonSet::RefreshSlots(int32_t style) {
    for (int slot = 0; slot < kSlotCount; ++slot) RefreshSlot(slot, style);
}

bool ButtonSet::OnDrawItem(const DRAWITEMSTRUCT& item) {
    LaunchButton* button = Button(static_cast<int>(item.CtlID));
    if (!button || button->hwnd() != item.hwndItem) return false;
    button->PaintButton(item);
    return true;
}

bool ButtonSet::OnCommand(WPARAM wParam, LPARAM) {
    const SlotCommand command = ClassifyCommand(LOWORD(wParam), HIWORD(wParam));
    switch (command.action) {
    case SlotAction::Clear: slots_.ClearSlot(command.slot); return true;
    case SlotAction::Browse: slots_.BrowseSlot(command.slot); return true;
    case SlotAction::ClearAll: slots_.ClearAllSlots(); return true;
    case SlotAction::Launch:
        if (Button(kSlotButtonIds[command.slot])->Kind == SlotButton) slots_.Launch(command.slot);
        return true;
    case SlotAction::None: return false;
    }
    return false;
}

void ButtonSet::RefreshSlot(int slot, int32_t style) {
    Button(kSlotButtonIds[slot])->RefreshSlot(style);
}

std::optional<std::string> ButtonSet::ChooseFileForBar() { return qp::ChooseFileForBar(); }

std::optional<std::string> ButtonSet::ChooseFileForSlotMenu() { return qp::ChooseFileForSlotMenu(); }

void ButtonSet::BringToFront(int slot) { SetForegroundWindow(Button(kSlotButtonIds[slot])->hwnd()); }

void ButtonSet::ShowInStatusStrip(const std::string& text) {
    SetWindowTextA(GetDlgItem(dialog_, kStatusStripId), text.c_str());
}

void ButtonSet::Open(const std::string& path) {
    ShellExecuteA(nullptr, nullptr, path.c_str(), nullptr, nullptr, SW_SHOW);
}

}  // namespace qp
