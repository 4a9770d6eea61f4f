"""The tray icon, its menu and the window's commands that menus reach; the icon clicked on
the screen as well as its callback posted."""


import pytest

import quilpad_harness as qh
from quilpad_keys import (MIRROR_KEY, TRAY_CALLBACK, USER_KEY, WM_LBUTTONDBLCLK,
                          WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE, WM_NULL, WM_RBUTTONUP,
                          WS_CAPTION, write_user_group)

WM_CONTEXTMENU = 0x007B


def start(quilpad, probe, extra_env=None, **overrides):
    write_user_group(probe.prefix, **overrides)
    run = quilpad.start(extra_env=extra_env)
    probe.wait_for_bar(timeout=20)
    return run


def tray(probe, mouse_message, icon_id=1):
    probe.post(TRAY_CALLBACK, icon_id, mouse_message)
    probe.send(WM_NULL)  # the posted callback has been handled when this returns


def click_tray_icon(probe, *clicks):
    """Clicks the program's icon where Wine shows it on the screen, as a user would: the
    icon's own callback message and id then reach the program."""
    icon = qh.wait_until(probe.tray_icons, 10, "the tray icon")
    assert len(icon) == 1, icon
    probe.prefix.xdotool("mousemove", *qh.center(icon[0]["rect"]), *clicks)


def test_tray_icon_is_shown_while_the_program_runs(quilpad, probe):
    assert probe.tray_icons() == []
    run = start(quilpad, probe)
    icon = qh.wait_until(probe.tray_icons, 10, "the tray icon")
    assert len(icon) == 1
    probe.command(32774)
    assert run.wait(20) == 0
    qh.wait_until(lambda: probe.tray_icons() == [], 10, "the tray icon to go")


@pytest.mark.parametrize("message", [WM_RBUTTONUP, WM_CONTEXTMENU])
def test_right_click_opens_the_one_item_menu_whose_exit_ends_the_program(quilpad, probe, prefix,
                                                                         message):
    run = start(quilpad, probe)
    assert prefix.reg_delete(USER_KEY, "Style")
    tray(probe, message)
    menu = qh.wait_until(lambda: probe.popup_menus(), 10, "the tray menu")[0]
    left, top, right, bottom = menu["rect"]
    # One item: a menu no taller than two text lines.
    assert 0 < bottom - top < 40
    prefix.xdotool("mousemove", *qh.center(menu["rect"]), "click", 1)
    assert run.wait(20, "Exit from the tray menu") == 0
    assert prefix.reg_get(USER_KEY, "Style") == 1


def test_a_right_click_on_the_icon_opens_the_menu_and_a_double_click_shows_the_window(
        quilpad, probe, prefix):
    # Without a window manager, Wine's own tray window takes the foreground (for its desktop)
    # back from the program that the click made foreground, and that closes the menu again
    # at once, or not, by the timing of two processes. So the menu's opening is read from
    # Wine's menu trace; what the open menu does is shown by the callbacks posted above.
    run = start(quilpad, probe, extra_env={"WINEDEBUG": "fixme-all,+menu"})
    probe.hide_bar()
    click_tray_icon(probe, "click", "--repeat", 2, "--delay", 80, 1)
    assert probe.wait_for_bar(timeout=10)["style"] & WS_CAPTION

    assert "NtUserTrackPopupMenuEx" not in run.log()
    click_tray_icon(probe, "click", 3)
    qh.wait_until(lambda: "NtUserTrackPopupMenuEx" in run.log(), 10, "the tray menu to open")


@pytest.mark.parametrize("message", [WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEMOVE])
def test_single_clicks_and_moves_do_nothing(quilpad, probe, message):
    start(quilpad, probe)
    probe.hide_bar()
    tray(probe, message)
    assert not probe.find()["visible"]
    assert probe.popup_menus() == []


def test_double_click_on_another_icon_id_is_ignored(quilpad, probe):
    start(quilpad, probe)
    probe.hide_bar()
    tray(probe, WM_LBUTTONDBLCLK, icon_id=2)
    tray(probe, WM_RBUTTONUP, icon_id=2)
    assert not probe.find()["visible"]
    assert probe.popup_menus() == []


@pytest.mark.parametrize("how", ["double click", "open command"])
def test_double_click_and_open_show_the_window_again(quilpad, probe, how):
    start(quilpad, probe)
    probe.hide_bar()
    if how == "double click":
        tray(probe, WM_LBUTTONDBLCLK)
    else:
        probe.command(32773)
    assert probe.wait_for_bar(timeout=10)["style"] & WS_CAPTION


@pytest.mark.parametrize("command, name, start_value", [
    (32777, "Sound", 0), (32777, "Sound", 1),
    (32781, "ShowMessage", 1), (32781, "ShowMessage", 0)])
def test_toggles_write_the_tray_key_and_the_settings_follow_at_the_next_save(
        quilpad, probe, prefix, command, name, start_value):
    start(quilpad, probe, **{name: ("REG_DWORD", start_value)})
    probe.command(command)
    qh.wait_until(lambda: prefix.reg_get(MIRROR_KEY, name) == 1 - start_value, 10,
                  f"{name} under the tray key")
    assert prefix.reg_get(USER_KEY, name) == start_value
    probe.hide_bar()  # saves
    qh.wait_until(lambda: prefix.reg_get(USER_KEY, name) == 1 - start_value, 10,
                  f"{name} saved with the settings")

    probe.command(command)
    qh.wait_until(lambda: prefix.reg_get(MIRROR_KEY, name) == start_value, 10,
                  f"{name} back under the tray key")


def test_style_switch_goes_both_ways_with_the_registry_following(quilpad, probe, prefix):
    start(quilpad, probe, Style=("REG_DWORD", 1), FloatStyleOption=("REG_DWORD", 0))
    probe.command(32784)
    qh.wait_until(lambda: prefix.reg_get(USER_KEY, "Style") == 2, 10, "Style 2")
    assert prefix.reg_get(USER_KEY, "FloatStyleOption") == 1
    qh.wait_until(lambda: (lambda b: b["visible"] and not b["style"] & WS_CAPTION
                           and b["rect"][2] - b["rect"][0] == 115)(probe.find()),
                  10, "the floating bar")

    probe.command(32784)
    qh.wait_until(lambda: prefix.reg_get(USER_KEY, "Style") == 1, 10, "Style 1")
    qh.wait_until(lambda: (lambda b: b["visible"] and b["style"] & WS_CAPTION)(probe.find()),
                  10, "the default window")


def test_floating_option_off_hides_the_bar_and_on_shows_it_again(quilpad, probe, prefix):
    start(quilpad, probe, Style=("REG_DWORD", 2), FloatStyleOption=("REG_DWORD", 1))
    probe.command(32804)
    qh.wait_until(lambda: not probe.find()["visible"], 10, "the bar to hide")
    assert prefix.reg_get(USER_KEY, "FloatStyleOption") == 0
    probe.command(32802)
    bar = probe.wait_for_bar(timeout=10)
    assert not bar["style"] & WS_CAPTION
    assert prefix.reg_get(USER_KEY, "FloatStyleOption") == 1


def test_floating_option_in_the_default_layout_only_saves(quilpad, probe, prefix):
    start(quilpad, probe, Style=("REG_DWORD", 1), FloatStyleOption=("REG_DWORD", 1))
    probe.command(32804)
    qh.wait_until(lambda: prefix.reg_get(USER_KEY, "FloatStyleOption") == 0, 10, "option off")
    assert probe.find()["visible"]
