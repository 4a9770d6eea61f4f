"""Start-up, the single instance, the ways the program ends and the close box, and the
slot lock that the settings apply at start-up."""

import pytest

import quilpad_harness as qh
from quilpad_keys import (MACHINE_KEY, SC_CLOSE, SLOT_BUTTONS, SMALL_BUTTONS, USER_KEY,
                          WM_CLOSE, WM_SYSCOMMAND, WS_CAPTION, WS_EX_ACCEPTFILES,
                          WS_EX_APPWINDOW, WS_EX_CLIENTEDGE, WS_EX_TOOLWINDOW)

LOCK_MESSAGE = ("The QPD was already locked! \n\n"
                "You could not change the application assigned to this button.")


def test_starts_centred_in_the_template_layout_without_a_taskbar_button(quilpad, probe):
    _, bar = quilpad.start_and_wait(probe)
    assert bar["style"] & WS_CAPTION == WS_CAPTION
    assert bar["exstyle"] & WS_EX_TOOLWINDOW
    assert not bar["exstyle"] & WS_EX_APPWINDOW
    left, top, right, bottom = bar["rect"]
    assert abs((left + right) / 2 - 640) <= 2 and abs((top + bottom) / 2 - 512) <= 2
    for control in SLOT_BUTTONS + (1003,):
        assert probe.control(control)["visible"], control


def test_second_instance_ends_silently_and_leaves_the_first_alone(quilpad, probe):
    first, bar = quilpad.start_and_wait(probe)
    second = quilpad.start()
    assert second.wait(20, "the second instance to end") == 0
    assert probe.message_boxes() == []
    assert first.running()
    again = probe.find()
    assert (again["hwnd"], again["visible"], again["rect"]) == (bar["hwnd"], True, bar["rect"])


@pytest.mark.parametrize("end", ["esc", "enter", "tray exit", "floating exit"])
def test_every_way_out_ends_the_program_and_saves(quilpad, probe, prefix, end):
    run, _ = quilpad.start_and_wait(probe)
    # Whatever is missing from the registry now is written back by the save at the end.
    assert prefix.reg_delete(USER_KEY, "Style")
    assert prefix.reg_delete(MACHINE_KEY, "ProgramFile3")

    if end in ("esc", "enter"):
        probe.key(end)
    else:
        probe.command(32774 if end == "tray exit" else 32791)

    assert run.wait(20, f"the program to end after {end}") == 0
    assert probe.find() is None
    assert prefix.reg_get(USER_KEY, "Style") == 1
    assert prefix.reg_get(MACHINE_KEY, "ProgramFile3") == ""


@pytest.mark.parametrize("close", ["close box", "system menu"])
def test_closing_hides_the_window_and_the_program_keeps_running(quilpad, probe, prefix, close):
    run, _ = quilpad.start_and_wait(probe)
    assert prefix.reg_delete(USER_KEY, "Style")
    if close == "close box":
        probe.post(WM_CLOSE)
    else:
        probe.post(WM_SYSCOMMAND, SC_CLOSE)

    qh.wait_until(lambda: not probe.find()["visible"], 10, "the window to hide")
    qh.wait_until(lambda: prefix.reg_get(USER_KEY, "Style") == 1, 10, "the settings to be saved")
    assert run.running()


def test_lock_tells_the_user_hides_the_small_buttons_and_refuses_drops(quilpad, probe, prefix):
    prefix.reg_set(MACHINE_KEY, "Lock", "REG_DWORD", 1)
    run = quilpad.start()
    box = probe.wait_for_message_box(timeout=20, exe="Quilpad.exe")
    assert box["text"] == LOCK_MESSAGE
    assert [b["id"] for b in box["buttons"]] == [1]
    probe.press_message_box(1, exe="Quilpad.exe")

    probe.wait_for_bar(timeout=20)
    for button in SMALL_BUTTONS:
        assert not probe.control(button)["visible"], button
    for slot in SLOT_BUTTONS:
        exstyle = probe.control(slot)["exstyle"]
        assert not exstyle & WS_EX_ACCEPTFILES and exstyle & WS_EX_CLIENTEDGE, slot
    assert run.running()
    assert prefix.reg_get(MACHINE_KEY, "Lock") == 1


@pytest.mark.parametrize("lock", [2, None])
def test_lock_other_than_one_changes_nothing(quilpad, probe, prefix, lock):
    if lock is not None:
        prefix.reg_set(MACHINE_KEY, "Lock", "REG_DWORD", lock)
    quilpad.start_and_wait(probe)
    assert probe.message_boxes(exe="Quilpad.exe") == []
    for button in SMALL_BUTTONS:
        # The fifth slot's spare buttons are hidden by the template itself.
        assert probe.control(button)["visible"] == (button not in (1032, 1036)), button
    for slot in SLOT_BUTTONS:
        exstyle = probe.control(slot)["exstyle"]
        assert exstyle & WS_EX_ACCEPTFILES and not exstyle & WS_EX_CLIENTEDGE, slot
