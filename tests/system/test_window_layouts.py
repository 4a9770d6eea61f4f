"""The two layouts of the button bar, how the window comes back, dragging, the floating
bar's menu and the About box."""


import pytest

import quilpad_harness as qh
from quilpad_keys import (MACHINE_KEY, SLOT_BUTTONS, SMALL_BUTTONS, TRAY_CALLBACK,
                          WM_LBUTTONDBLCLK, WM_NULL, WM_RBUTTONDOWN,
                          WM_SYSCOMMAND, WS_CAPTION, WS_EX_TOOLWINDOW, client_point,
                          write_user_group)

SCREEN_WIDTH, SCREEN_HEIGHT = 1280, 1024
DEFAULT_PLACEMENTS = {
    1000: (5, 5, 60, 55), 1023: (75, 5, 60, 55), 1024: (145, 5, 60, 55),
    1025: (215, 5, 60, 55), 1040: (285, 5, 25, 25), 1001: (5, 70, 25, 25),
    1004: (40, 70, 25, 25), 1029: (75, 70, 25, 25), 1033: (110, 70, 25, 25),
    1030: (145, 70, 25, 25), 1034: (180, 70, 25, 25), 1031: (215, 70, 25, 25),
    1035: (250, 70, 25, 25),
}
FLOATING_HIDDEN = (1004, 1033, 1034, 1035, 1001, 1029, 1030, 1031, 1032, 1040, 1017, 1003)


def rect(x, y, width, height):
    return [x, y, x + width, y + height]


def start(quilpad, probe, style=1, floating=1):
    write_user_group(probe.prefix, Style=("REG_DWORD", style),
                     FloatStyleOption=("REG_DWORD", floating))
    run = quilpad.start()
    bar = probe.wait_for_bar(timeout=20)
    if style == 2 and floating == 1:
        bar = qh.wait_until(lambda: (lambda b: b if b["rect"][2] - b["rect"][0] == 115 else None)(
            probe.find()), 10, "the floating bar to settle")
    return run, bar


def double_click_tray(probe):
    probe.post(TRAY_CALLBACK, 1, WM_LBUTTONDBLCLK)


def assert_floating(probe, bar):
    assert not bar["style"] & WS_CAPTION
    assert bar["exstyle"] & WS_EX_TOOLWINDOW
    for n, slot in enumerate(SLOT_BUTTONS):
        control = probe.control(slot)
        assert control["visible"] and control["rect"] == rect(5 + 25 * n, 2, 23, 23), slot
    for control in FLOATING_HIDDEN:
        assert not probe.control(control)["visible"], control


def assert_default(probe, bar, strip_width):
    assert bar["style"] & WS_CAPTION == WS_CAPTION
    for control, place in DEFAULT_PLACEMENTS.items():
        got = probe.control(control)
        assert got["visible"] and got["rect"] == rect(*place), control
    strip = probe.control(1003)
    assert strip["visible"] and strip["rect"] == rect(5, 105, strip_width, 25)
    left, top, right, bottom = bar["rect"]
    assert abs((left + right) / 2 - SCREEN_WIDTH / 2) <= 1
    assert abs((top + bottom) / 2 - SCREEN_HEIGHT / 2) <= 1


def test_floating_bar_at_start_sits_in_the_top_right_corner(quilpad, probe):
    start(quilpad, probe, style=2, floating=1)
    corner = rect(SCREEN_WIDTH - 80 - 115, 5, 115, 33)
    # The layout takes several window calls; the bar settles in the corner.
    bar = qh.wait_until(lambda: (lambda b: b if b["rect"] == corner else None)(probe.find()),
                        10, "the bar in the top-right corner")
    assert_floating(probe, bar)


def test_style_two_without_the_floating_option_starts_in_the_template_layout(quilpad, probe):
    _, bar = start(quilpad, probe, style=2, floating=0)
    assert bar["style"] & WS_CAPTION == WS_CAPTION
    assert probe.control(1001)["visible"] and probe.control(1003)["visible"]


def test_tray_double_click_brings_back_the_default_layout_centred(quilpad, probe):
    _, bar = start(quilpad, probe)
    strip_width = bar["client_rect"][2] - 85
    probe.hide_bar()
    double_click_tray(probe)
    bar = probe.wait_for_bar(timeout=10)
    assert_default(probe, bar, strip_width)
    assert probe.control(1017)["visible"]


def test_default_layout_shows_the_buttons_the_lock_hid(quilpad, probe, prefix):
    prefix.reg_set(MACHINE_KEY, "Lock", "REG_DWORD", 1)
    write_user_group(prefix)
    quilpad.start()
    probe.wait_for_message_box(timeout=20, exe="Quilpad.exe")
    probe.press_message_box(1, exe="Quilpad.exe")
    probe.wait_for_bar(timeout=20)
    assert not probe.control(1001)["visible"]

    double_click_tray(probe)
    # Every load tells the user again.
    probe.wait_for_message_box(timeout=10, exe="Quilpad.exe")
    probe.press_message_box(1, exe="Quilpad.exe")
    qh.wait_until(lambda: probe.control(1001)["visible"], 10, "the small buttons to show")
    for button in set(SMALL_BUTTONS) - {1032, 1036}:
        assert probe.control(button)["visible"], button


# Minimize, then a tray double-click; the floating option off, then on; the style switch
# to the default window and back.
@pytest.mark.parametrize("hide, show", [((32790,), None), ((32804,), (32802,)),
                                        ((32784,), (32784,))])
def test_floating_bar_comes_back_where_the_user_left_it(quilpad, probe, hide, show):
    _, bar = start(quilpad, probe, style=2, floating=1)
    x, y = bar["client_screen"][:2]
    drag(probe.prefix, (x + 106, y + 12), (x + 106 - 300, y + 12 + 200))
    moved = qh.wait_until(lambda: probe.find()["rect"][:2] == [bar["rect"][0] - 300, bar["rect"][1] + 200]
                          and probe.find(), 10, "the bar to follow the drag")
    for command in hide:
        probe.command(command)
    qh.wait_until(lambda: not probe.find()["visible"] or probe.find()["style"] & WS_CAPTION,
                  10, "the floating bar to go away")
    if show is None:
        double_click_tray(probe)
    else:
        for command in show:
            probe.command(command)
    back = qh.wait_until(lambda: (lambda b: b if b["visible"] and b["rect"][2] - b["rect"][0] == 115
                                  else None)(probe.find()), 10, "the floating bar to come back")
    assert back["rect"] == moved["rect"]
    assert_floating(probe, back)


def drag(prefix, start_point, end_point):
    prefix.xdotool("mousemove", *start_point, "mousedown", 1,
                   "mousemove", (start_point[0] + end_point[0]) // 2,
                   (start_point[1] + end_point[1]) // 2,
                   "mousemove", *end_point, "mouseup", 1)


def test_default_window_can_be_dragged_by_its_free_area(quilpad, probe):
    _, bar = start(quilpad, probe)
    x, y = bar["client_screen"][:2]
    # Below the strip's right end, outside every control.
    drag(probe.prefix, (x + 400, y + 30), (x + 350, y + 80))
    qh.wait_until(lambda: probe.find()["rect"][:2] == [bar["rect"][0] - 50, bar["rect"][1] + 50],
                  10, "the window to follow the drag")


def test_double_click_on_the_free_area_hides_the_window(quilpad, probe):
    run, _ = start(quilpad, probe)
    probe.post(WM_LBUTTONDBLCLK, 0, client_point(400, 30))
    qh.wait_until(lambda: not probe.find()["visible"], 10, "the window to hide")
    assert run.running()


@pytest.mark.parametrize("style, has_menu", [(2, True), (1, False)])
def test_right_click_opens_the_menu_only_on_the_floating_bar(quilpad, probe, style, has_menu):
    start(quilpad, probe, style=style, floating=1)
    probe.post(WM_RBUTTONDOWN, 0, client_point(106, 12))
    probe.send(WM_NULL)  # answered inside the menu's own loop once the menu is up
    assert bool(probe.popup_menus()) == has_menu


@pytest.mark.parametrize("how", ["floating menu", "system menu"])
def test_about_box_opens_and_closes(quilpad, probe, how):
    run, _ = start(quilpad, probe, style=2 if how == "floating menu" else 1)
    if how == "floating menu":
        probe.command(32800)
    else:
        probe.post(WM_SYSCOMMAND, 16)
    about = qh.wait_until(lambda: [w for w in probe.windows() if w["title"] == "About QPD Version"],
                          10, "the About box")[0]
    assert about["class"] == "#32770"
    probe.key("esc")
    qh.wait_until(lambda: not [w for w in probe.windows() if w["title"] == "About QPD Version"],
                  10, "the About box to close")
    assert run.running() and probe.find()["enabled"]
