#pragma once
// The application object: one instance per session, whose whole life is the modal
// run of the button bar window.
namespace qp {

class TrayApp {
public:
    // Returns false for a second instance or when the window was cancelled (Esc).
    bool InitInstance();
};

}  // namespace qp
