#pragma once
// StatusStrip through the StatusStripPort seam: a cross-thread SetWindowTextA when
// called from a worker or the mail library's thread. After the window is gone the
// write fails harmlessly.
#include <windows.h>

#include "mail/mail_poll_ports.h"
#include "shared/process_state.h"

namespace qp {

class Win32StatusStrip : public StatusStripPort {
public:
    void Show(const std::string& text) override { SetWindowTextA(StatusStrip, text.c_str()); }
};

}  // namespace qp
