#pragma once
// A SlotScreen and SlotWindow that log every call, with the slot files as they
// stood at that moment, so tests can check order and what was saved.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "buttons/slot_operations.h"

namespace qp::test {

class FakeSlotHost : public SlotScreen, public SlotWindow {
public:
    explicit FakeSlotHost(const SettingsStore& store) : store_(store) {}

    void RefreshSlot(int slot, int32_t style) override {
        Log("refresh " + std::to_string(slot) + " style " + std::to_string(style));
    }
    std::optional<std::string> ChooseFileForBar() override {
        Log("choose bar");
        return barChoice;
    }
    std::optional<std::string> ChooseFileForSlotMenu() override {
        Log("choose menu");
        return menuChoice;
    }
    void BringToFront(int slot) override { Log("front " + std::to_string(slot)); }
    void ShowInStatusStrip(const std::string& text) override { Log("strip " + text); }
    void Open(const std::string& path) override { Log("open " + path); }

    void SetStatusText(const std::string& text) override {
        statusText = text;
        Log("status " + text);
    }
    void PushStatusText() override { Log("push " + statusText); }
    void SaveAllSettings() override {
        saved.push_back(store_.Copy().ProgramFile);
        Log("save");
    }

    std::optional<std::string> barChoice;
    std::optional<std::string> menuChoice;
    std::string statusText = " ";
    std::vector<std::string> calls;
    std::vector<std::array<std::string, 4>> saved;  // the slots at each save

private:
    void Log(const std::string& call) { calls.push_back(call); }
    const SettingsStore& store_;
};

}  // namespace qp::test
