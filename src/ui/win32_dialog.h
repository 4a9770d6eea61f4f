#pragma once
// The dialog framework of the program: a dialog made from a template and run
// modally by a message loop of our own, with one virtual message handler and a data
// exchange between its controls and its values.
#include <windows.h>

#include "ui/win32_data_exchange.h"

namespace qp {

class Dialog {
public:
    explicit Dialog(int templateId) : templateId_(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the dialog and runs it until EndModal; the window is destroyed before
    // this returns. A dialog that is not visible when the run starts is shown once,
    // when the loop first runs out of messages (or earlier on WM_SYSKEYDOWN or the
    // system timer message). Returns EndModal's value, or -1 if creation failed.
    INT_PTR RunModal(HWND owner = nullptr);
    void EndModal(INT_PTR result);

    HWND hwnd() const { return hwnd_; }
    HWND Item(int id) const { return GetDlgItem(hwnd_, id); }

protected:
    // Runs ExchangeData into the controls (always complete) or from them; false when a
    // row stopped the take-over from the controls.
    bool Exchange(DataExchange::Way way);
    // The dialog's rows, in the order the exchange runs them; none by default.
    virtual void ExchangeData(DataExchange&) {}

    // Returns true when the message was handled; result is then the message's answer.
    // Unhandled messages get the dialog's default processing.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void ShowForFirstDisplay();

    const int templateId_;
    HWND hwnd_ = nullptr;
    bool ended_ = false;
    bool firstDisplayPending_ = false;
    INT_PTR result_ = -1;
};

}  // namespace qp
