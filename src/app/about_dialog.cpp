#include "app/about_dialog.h"

#include "resource.h"

namespace qp {

AboutDialog::AboutDialog() : Dialog(IDD_ABOUT) {}

bool AboutDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
    switch (message) {
    case WM_INITDIALOG:
        result = TRUE;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndModal(LOWORD(wParam));
            return true;
        }
        return false;
    default:
        return false;
    }
}

}  // namespace qp
