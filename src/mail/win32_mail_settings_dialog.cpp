#include "mail/win32_mail_settings_dialog.h"

#include <algorithm>

#include "mail/mail_dialog_rules.h"
#include "mail/mail_dialog_values.h"
#include "mail/win32_mail_poll_worker.h"
#include "mail_settings_ids.h"
#include "settings/settings.h"
#include "shared/process_state.h"
#include "ui/win32_dialog.h"
#include "ui/win32_file_chooser.h"
#include "ui/win32_icon_button.h"

namespace qp {

namespace {

constexpr int kBrowseIcon = 131;
constexpr char kChooserTitle[] = "Open a File";
constexpr char kButtonTip[] = "Mail received function setting";

// Over the owner when it is shown, else in the middle of the screen's work area.
void CenterOver(HWND dialog, HWND owner) {
    RECT area;
    if (owner && IsWindowVisible(owner) && !IsIconic(owner))
        GetWindowRect(owner, &area);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    RECT own;
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    RECT screen;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    int x = (area.left + area.right - width) / 2;
    int y = (area.top + area.bottom - height) / 2;
    x = std::max(static_cast<int>(screen.left), std::min(x, static_cast<int>(screen.right) - width));
    y = std::max(static_cast<int>(screen.top), std::min(y, static_cast<int>(screen.bottom) - height));
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

class MailSettingsDialog : public Dialog, private MailConfirmHost {
public:
    MailSettingsDialog(HWND owner, TipControl& tips, RegistryApi& registry)
        : Dialog(IDD_MAIL_SETTINGS), owner_(owner), tips_(tips), registry_(registry) {}

    const MailDialogValues& Values() const { return values_; }
    bool PollNowRequested() const { return pollNowRequested_; }

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
        switch (message) {
        case WM_INITDIALOG:
            result = OnInitDialog();
            return true;
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        default:
            return false;
        }
    }

    bool OnCommand(int id, int code) {
        switch (id) {
        case IDC_POLL_RUNNING:
            if (code == BN_CLICKED) OnPollBox(IDC_POLL_RUNNING, IDC_POLL_RUNNING_TIME, IDC_POLL_RUNNING_UNIT);
            return true;
        case IDC_POLL_SUSPEND:
            if (code == BN_CLICKED) OnPollBox(IDC_POLL_SUSPEND, IDC_POLL_SUSPEND_TIME, IDC_POLL_SUSPEND_UNIT);
            return true;
        case IDC_CHOOSE_PROGRAM:
            if (code == BN_CLICKED) OnChooseProgram();
            return true;
        case IDC_SERVER_TYPE:
            if (code == CBN_SELCHANGE) OnServerTypeChanged();
            return true;
        case IDC_CONFIRM: OnConfirm(); return true;
        case IDCANCEL: EndModal(IDCANCEL); return true;
        default: return false;
        }
    }

    // Rows in the order of the take-over; the server type is kept by its own handler.
    void ExchangeData(DataExchange& exchange) override {
        exchange.Integer(IDC_POLL_RUNNING_TIME, values_.MailPollTime);
        exchange.Integer(IDC_POLL_SUSPEND_TIME, values_.SusMailPollTime);
        exchange.Text(IDC_MAIL_PROGRAM, values_.MailProgram);
        exchange.Text(IDC_MAIL_HOST, values_.MailHost);
        exchange.Text(IDC_MAIL_PGM_PARAM, values_.MailPgmParam);
        exchange.Check(IDC_POLL_RUNNING, values_.MailPollEn);
        exchange.Text(IDC_MAIL_PWD, values_.MailPwd);
        exchange.Text(IDC_MAIL_USER, values_.MailUser);
        exchange.Check(IDC_POLL_SUSPEND, values_.SusMailPollEn);
    }

    BOOL OnInitDialog() {
        TransferMailDialogValues(Direction::Load, registry_, values_);
        ShowPeriod(IDC_POLL_RUNNING_TIME, IDC_POLL_RUNNING_UNIT, values_.MailPollEn != 0);
        ShowPeriod(IDC_POLL_SUSPEND_TIME, IDC_POLL_SUSPEND_UNIT, values_.SusMailPollEn != 0);
        DefaultUntickedPeriods(values_);
        HWND serverType = Item(IDC_SERVER_TYPE);
        SendMessageA(serverType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("POP3"));
        SendMessageA(serverType, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("IMAP"));
        if (values_.ServerType == 0 || values_.ServerType == 1)
            SendMessageA(serverType, CB_SETCURSEL, values_.ServerType, 0);
        programButton_.Attach(hwnd(), IDC_CHOOSE_PROGRAM, tips_);
        programButton_.SetTipText(kButtonTip);
        programButton_.SetResourceIcon(kBrowseIcon);
        Exchange(DataExchange::Way::IntoControls);
        CenterOver(hwnd(), owner_);
        return TRUE;  // the focus goes to the first control
    }

    void ShowPeriod(int edit, int label, bool shown) {
        ShowWindow(Item(edit), shown ? SW_SHOW : SW_HIDE);
        ShowWindow(Item(label), shown ? SW_SHOW : SW_HIDE);
    }

    void OnPollBox(int box, int edit, int label) {
        ShowPeriod(edit, label, IsDlgButtonChecked(hwnd(), box) == BST_CHECKED);
        Exchange(DataExchange::Way::FromControls);
    }

    // What the user typed is taken over first, so that refreshing the controls after the
    // chooser does not throw it away; a take-over that stops at a period field leaves the
    // chooser closed and the controls as they are.
    void OnChooseProgram() {
        if (!Exchange(DataExchange::Way::FromControls)) return;
        if (auto path = ChooseExecutable(hwnd(), kChooserTitle)) {
            values_.MailPgmParam = ParameterForProgram(*path, values_.MailPgmParam);
            values_.MailProgram = *path;
        }
        Exchange(DataExchange::Way::IntoControls);
    }

    void OnServerTypeChanged() {
        const LRESULT index = SendMessageA(Item(IDC_SERVER_TYPE), CB_GETCURSEL, 0, 0);
        if (index != CB_ERR) values_.ServerType = static_cast<int32_t>(index);
    }

    void OnConfirm() {
        if (ConfirmMailSettings(values_, *this) == ConfirmResult::Confirmed) EndModal(IDOK);
    }

    bool TakeOverControls() override { return Exchange(DataExchange::Way::FromControls); }
    void RefusePeriod() override {
        MessageBoxA(hwnd(), kPeriodRangeMessage, "Quilpad", MB_OK | MB_ICONSTOP);
    }
    void RequestPollNow() override { pollNowRequested_ = true; }
    void Store(const MailDialogValues& values) override {
        MailDialogValues stored = values;
        TransferMailDialogValues(Direction::Save, registry_, stored);
    }

    HWND owner_;
    TipControl& tips_;
    RegistryApi& registry_;
    MailDialogValues values_;
    IconButton programButton_;
    bool pollNowRequested_ = false;
};

MailSettingsDialog* shownDialog = nullptr;

}  // namespace

bool OpenMailSettings(HWND owner, TipControl& tips, RegistryApi& registry,
                      const std::function<void()>& saveRunning) {
    if (shownDialog) {
        SetForegroundWindow(shownDialog->hwnd());
        return false;
    }
    saveRunning();
    MailSettingsDialog dialog(owner, tips, registry);
    shownDialog = &dialog;
    const INT_PTR result = dialog.RunModal(owner);
    shownDialog = nullptr;
    if (result != IDOK) return false;
    TheSettings().Modify([&dialog](Settings& settings) { CopyIntoSettings(dialog.Values(), settings); });
    // Only now: a worker woken before the write-back would use the request on the old
    // server.
    if (dialog.PollNowRequested()) PollNow = 1;
    Win32PollEvent().Signal();
    return true;
}

}  // namespace qp
