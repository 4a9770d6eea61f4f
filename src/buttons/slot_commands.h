#pragma once
// Which slot operation a command of the bar asks for.
namespace qp {

// Notification codes of a button's WM_COMMAND; a menu command comes as a click.
constexpr int kButtonClicked = 0;
constexpr int kButtonDoubleClicked = 5;

enum class SlotAction { None, Clear, Browse, ClearAll, Launch };

struct SlotCommand {
    SlotAction action;
    int slot;  // 0..3 for the one-slot actions, -1 otherwise
};

SlotCommand ClassifyCommand(int id, int notifyCode);

}  // namespace qp
