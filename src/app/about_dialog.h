#pragma once
#include "ui/win32_dialog.h"

namespace qp {

// The About box: no behaviour of its own; Close, Enter and Esc end it.
class AboutDialog : public Dialog {
public:
    AboutDialog();

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
};

}  // namespace qp
