#include "ui/win32_data_exchange.h"

#include <string>
#include <vector>

#include "ui/whole_number.h"
#include "win32/message_box.h"

namespace qp {

namespace {

std::string ControlText(HWND control) {
    std::vector<char> text(static_cast<size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    GetWindowTextA(control, text.data(), static_cast<int>(text.size()));
    return text.data();
}

}  // namespace

void DataExchange::Integer(int controlId, int32_t& value) {
    if (stopped_) return;
    HWND control = GetDlgItem(dialog_, controlId);
    if (way_ == Way::IntoControls) {
        SetWindowTextA(control, std::to_string(value).c_str());
        return;
    }
    if (auto number = ParseWholeNumber(ControlText(control))) {
        value = *number;
        return;
    }
    stopped_ = true;
    ShowMessage(dialog_, "Please enter an integer.");
    SendMessageA(control, EM_SETSEL, 0, -1);
    SetFocus(control);
}

void DataExchange::Text(int controlId, std::string& value) {
    if (stopped_) return;
    HWND control = GetDlgItem(dialog_, controlId);
    if (way_ == Way::IntoControls)
        SetWindowTextA(control, value.c_str());
    else
        value = ControlText(control);
}

void DataExchange::Check(int controlId, int32_t& value) {
    if (stopped_) return;
    HWND control = GetDlgItem(dialog_, controlId);
    if (way_ == Way::IntoControls)
        SendMessageA(control, BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED, 0);
    else
        value = SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

}  // namespace qp
