"""The four launch slots under Wine: assigning through the file chooser, clearing, clearing
all (also from the floating bar's menu while locked), the slot menu of the floating bar,
launching by double-click, dropping files, the drawn look of the buttons and their tips."""

import shutil
import struct
import subprocess
from pathlib import Path

import quilpad_harness as qh
import xdnd_drop
from quilpad_keys import MACHINE_KEY, SLOT_BUTTONS as SLOT_IDS, USER_KEY

CLEAR_IDS = [1001, 1029, 1030, 1031]
BROWSE_IDS = [1004, 1033, 1034, 1035]
SLOTS_DIR_WIN = r"C:\slots"
TOUCH_FILE_EXE = qh.WIN_BUILD / "testbin" / "touch_file.exe"
EMPTY_TIP = "Select an executable file for the button"
BAR_CHOOSER_TITLE = "Select a File to Open"
VK_DOWN = 0x28


# ---- helpers ------------------------------------------------------------------------------

def screen_rect(probe, control_id):
    control = probe.control(control_id)
    assert control is not None, f"control {control_id} is missing"
    return control["screen_rect"]


def install_program(prefix, name):
    """A copy of the touch_file test program in C:\\slots; returns its Windows path."""
    folder = prefix.unix_path(SLOTS_DIR_WIN)
    folder.mkdir(parents=True, exist_ok=True)
    shutil.copy(TOUCH_FILE_EXE, folder / name)
    return SLOTS_DIR_WIN + "\\" + name


def runs_of(prefix, windows_path):
    """The files a touch_file copy left behind, one per run."""
    program = prefix.unix_path(windows_path)
    return sorted(program.parent.glob(program.name + ".run*"))


def make_shortcut(host_path, target_windows_path):
    """A shell link whose target is a local path (header and LinkInfo only)."""
    target = target_windows_path.encode("ascii") + b"\0"
    volume = struct.pack("<IIII", 0x11, 3, 0x12345678, 0x10) + b"\0"
    info_header = 0x1C
    local_path_offset = info_header + len(volume)
    suffix_offset = local_path_offset + len(target)
    info_size = suffix_offset + 1
    link_info = struct.pack("<IIIIIII", info_size, info_header, 1, info_header,
                            local_path_offset, 0, suffix_offset) + volume + target + b"\0"
    clsid = bytes.fromhex("0114020000000000c000000000000046")
    has_link_info = 0x02
    header = struct.pack("<I16sII8s8s8sIiIHHII", 0x4C, clsid, has_link_info, 0x20,
                         b"\0" * 8, b"\0" * 8, b"\0" * 8, 0, 0, 1, 0, 0, 0, 0)
    Path(host_path).write_bytes(header + link_info + b"\0\0\0\0")


def start_bar(quilpad, probe, style=1, files=None, lock=None):
    """Starts the program with the given slot files and window style; a locked start
    answers the lock message. Returns (process, bar)."""
    prefix = quilpad.prefix
    machine = {f"ProgramFile{slot}": ("REG_SZ", path) for slot, path in enumerate(files or [])}
    if lock is not None:
        machine["Lock"] = ("REG_DWORD", lock)
    if machine:
        prefix.reg_set_values(MACHINE_KEY, machine)
    # A stored MailProgram skips the first run, which would set Style 1.
    prefix.reg_set_values(USER_KEY, {"MailProgram": ("REG_SZ", r"C:\windows\notepad.exe"),
                                     "Style": ("REG_DWORD", style),
                                     "FloatStyleOption": ("REG_DWORD", 1)})
    # Away from the bar, so that no tip covers what the screenshots look at.
    prefix.xdotool("mousemove", 1270, 1010)
    process = quilpad.start()

    def up():
        # Every settings load while locked shows the lock message; the floating start
        # loads twice.
        if lock == 1 and probe.message_boxes(bar_only=True):
            box = probe.wait_for_message_box(timeout=15, bar_only=True)
            assert "already locked" in box["text"]
            probe.press_message_box(1, bar_only=True)
            return None
        bar = probe.find()
        return bar if bar and bar["visible"] and not probe.message_boxes(bar_only=True) else None
    bar = qh.wait_until(up, 20, "the button bar")
    return process, bar


def slot_files(prefix):
    values = prefix.reg_values(MACHINE_KEY) or {}
    return [values[name][1] if name in values else None
            for name in (f"ProgramFile{slot}" for slot in range(4))]


def wait_for_slot_files(prefix, expected, timeout=10):
    qh.wait_until(lambda: slot_files(prefix) == expected, timeout,
                  f"the registry's slot files to be {expected}")


def dos_path(host_path):
    """How Wine names a host file outside the prefix's drives."""
    return "Z:" + str(host_path).replace("/", "\\")


# ---- screenshots --------------------------------------------------------------------------

class Screen:
    """A screenshot of the whole display as RGB pixels."""

    def __init__(self, path):
        data = Path(path).read_bytes()
        magic, width, height, maxval, rest = data.split(maxsplit=4)
        assert magic == b"P6" and maxval == b"255"
        self.width, self.height = int(width), int(height)
        self.pixels = rest

    @classmethod
    def take(cls, prefix, name):
        """Keeps a PNG for people to look at beside the pixels."""
        ppm = prefix.work_dir / (name + ".ppm")
        subprocess.run(["import", "-display", prefix.display, "-window", "root", "-depth", "8",
                        str(ppm)], check=True, timeout=30, stdin=subprocess.DEVNULL,
                       capture_output=True)
        subprocess.run(["convert", str(ppm), str(ppm.with_suffix(".png"))], check=True,
                       timeout=30, stdin=subprocess.DEVNULL, capture_output=True)
        return cls(ppm)

    def rgb(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def brightness(self, x, y):
        return sum(self.rgb(x, y))

    def edge_look(self, rect):
        """'raised' when the outer edge is lighter at the top and left than at the bottom
        and right, 'pressed' for the reverse, 'flat' otherwise."""
        left, top, right, bottom = rect
        mid_x, mid_y = (left + right) // 2, (top + bottom) // 2
        top_left = (self.brightness(left, mid_y), self.brightness(mid_x, top))
        bottom_right = (self.brightness(right - 1, mid_y), self.brightness(mid_x, bottom - 1))
        if all(a > b for a, b in zip(top_left, bottom_right)):
            return "raised"
        if all(a < b for a, b in zip(top_left, bottom_right)):
            return "pressed"
        return "flat"

    def icon_pixels(self, rect, inset_x, inset_y):
        """How many pixels inside the icon area differ from the button's face colour
        (taken just inside the edge)."""
        left, top, right, bottom = rect
        face = self.rgb(left + 2, bottom - 3)
        return sum(1 for y in range(top + inset_y, bottom - inset_y)
                   for x in range(left + inset_x, right - inset_x) if self.rgb(x, y) != face)


def wait_for_look(prefix, probe, control_id, look, name, timeout=10):
    def check():
        screen = Screen.take(prefix, name)
        return screen if screen.edge_look(screen_rect(probe, control_id)) == look else None
    return qh.wait_until(check, timeout, f"control {control_id} to look {look}", interval=0.2)


# ---- assigning and clearing ---------------------------------------------------------------

def test_browse_assigns_the_chosen_file_and_saves(quilpad, probe, windows):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    process, bar = start_bar(quilpad, probe, files=["", "", "", ""])

    probe.command(1004)
    chooser = windows.wait_for_chooser(bar["pid"])
    assert chooser["title"] == BAR_CHOOSER_TITLE
    windows.choose(chooser, tool)

    wait_for_slot_files(prefix, [tool, "", "", ""])
    assert probe.status_text() == tool
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1000)))
    windows.wait_for_tip("tool.exe")


def test_cancelled_browse_keeps_the_file_and_empties_the_status(quilpad, probe, windows,
                                                                tmp_path):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    process, bar = start_bar(quilpad, probe, files=["", tool, "", ""])
    # Something to see replaced: a drop on slot 3 shows its path in the strip.
    (tmp_path / "dropped.txt").write_text("dropped")
    dropped = dos_path(tmp_path / "dropped.txt")
    assert xdnd_drop.drop_files(prefix.display, *qh.center(screen_rect(probe, 1025)),
                                [str(tmp_path / "dropped.txt")])
    qh.wait_until(lambda: probe.status_text() == dropped, 10, "the dropped path in the strip")

    probe.command(1033)
    windows.cancel(windows.wait_for_chooser(bar["pid"]))

    qh.wait_until(lambda: probe.status_text() == "", 10, "an empty status strip")
    # The save after a cancel writes the slots as they stand, the unsaved drop included.
    wait_for_slot_files(prefix, ["", tool, "", dropped])


def test_clear_empties_one_slot_and_saves(quilpad, probe, windows, tmp_path):
    prefix = quilpad.prefix
    files = [install_program(prefix, f"p{slot}.exe") for slot in range(4)]
    start_bar(quilpad, probe, files=files)
    (tmp_path / "dropped.txt").write_text("dropped")
    assert xdnd_drop.drop_files(prefix.display, *qh.center(screen_rect(probe, 1000)),
                                [str(tmp_path / "dropped.txt")])
    qh.wait_until(lambda: probe.status_text() != "", 10, "the dropped path in the status strip")
    files[0] = dos_path(tmp_path / "dropped.txt")

    probe.command(1029)

    wait_for_slot_files(prefix, [files[0], "", files[2], files[3]])
    assert probe.status_text() == ""
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1023)))
    windows.wait_for_tip(EMPTY_TIP)
    wait_for_look(prefix, probe, 1023, "pressed", "cleared")


def test_clear_all_button_empties_every_slot(quilpad, probe):
    prefix = quilpad.prefix
    files = [install_program(prefix, f"p{slot}.exe") for slot in range(4)]
    start_bar(quilpad, probe, files=files)

    probe.command(1040)

    wait_for_slot_files(prefix, ["", "", "", ""])
    assert probe.status_text() == ""
    screen = wait_for_look(prefix, probe, 1025, "pressed", "all-cleared")
    for slot_id in SLOT_IDS:
        rect = screen_rect(probe, slot_id)
        assert screen.edge_look(rect) == "pressed"
        assert screen.icon_pixels(rect, 14, 10) == 0


def test_floating_menu_clears_all_while_locked(quilpad, probe, windows):
    prefix = quilpad.prefix
    files = [install_program(prefix, f"p{slot}.exe") for slot in range(4)]
    process, bar = start_bar(quilpad, probe, style=2, files=files, lock=1)
    qh.wait_until(lambda: probe.control(1000)["screen_rect"][2] - probe.control(1000)["screen_rect"][0] == 23,
                  10, "the floating layout")

    # Between the first two 23-pixel buttons lies the bar's free area.
    left, top, _, bottom = bar["client_screen"]
    prefix.xdotool("mousemove", left + 28, top + 12, "click", 3)
    windows.wait_for_menu(bar["pid"])
    probe.key(VK_DOWN)   # Minimize
    probe.key(VK_DOWN)   # Delete all buttons setting
    probe.key("enter")

    wait_for_slot_files(prefix, ["", "", "", ""])
    assert prefix.reg_get(MACHINE_KEY, "Lock") == 1


# ---- the slot menu of the floating bar ----------------------------------------------------

def open_slot_menu(prefix, probe, windows, pid, slot_id):
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, slot_id)), "click", 3)
    return windows.wait_for_menu(pid)


def test_slot_menu_browse_and_delete(quilpad, probe, windows):
    prefix = quilpad.prefix
    files = [install_program(prefix, f"p{slot}.exe") for slot in range(4)]
    chosen = install_program(prefix, "chosen.exe")
    process, bar = start_bar(quilpad, probe, style=2, files=files)
    qh.wait_until(lambda: screen_rect(probe, 1023)[2] - screen_rect(probe, 1023)[0] == 23, 10,
                  "the floating layout")
    strip_before = probe.status_text()

    menu = open_slot_menu(prefix, probe, windows, bar["pid"], 1023)
    left, top, right, bottom = menu["rect"]
    # The localized browse text is far longer than the resource's "Browse ".
    assert right - left > 200
    # Right-aligned at the cursor (at the top of the screen it opens downwards).
    cx, cy = qh.center(screen_rect(probe, 1023))
    assert abs(right - cx) <= 2
    probe.key(VK_DOWN)
    probe.key("enter")
    chooser = windows.wait_for_chooser(bar["pid"])
    assert chooser["title"] != BAR_CHOOSER_TITLE
    windows.choose(chooser, chosen)
    wait_for_slot_files(prefix, [files[0], chosen, files[2], files[3]])
    assert probe.status_text() == strip_before

    open_slot_menu(prefix, probe, windows, bar["pid"], 1023)
    probe.key(VK_DOWN)
    probe.key(VK_DOWN)
    probe.key("enter")
    wait_for_slot_files(prefix, [files[0], "", files[2], files[3]])
    assert probe.status_text() == strip_before
    # The pointer is still where the menu opened; a tip is shown again when it comes to
    # the button from another one.
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1000)))
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1023)))
    windows.wait_for_tip(EMPTY_TIP)


def test_slot_has_no_menu_in_the_default_layout(quilpad, probe, windows):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    process, bar = start_bar(quilpad, probe, files=[tool, tool, "", ""])

    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1000)), "click", 3)
    # The next button's tip shows that the right-click has been handled; an open menu
    # would hold the mouse and keep the tip from showing.
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1001)))
    windows.wait_for_tip("Clear the button 1 definition")

    assert [m for m in windows.menus() if m["pid"] == bar["pid"]] == []


# ---- launching ----------------------------------------------------------------------------

def double_click(prefix, probe, control_id):
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, control_id)), "click", "--repeat", 2,
        "--delay", 80, 1)


def test_double_click_opens_the_slot_file_shown(quilpad, probe):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    start_bar(quilpad, probe, files=["", "", tool, ""])

    double_click(prefix, probe, 1024)

    runs = qh.wait_until(lambda: runs_of(prefix, tool), 15, "the slot's program to run")
    assert len(runs) == 1
    assert "show=5" in runs[0].read_text()


def test_double_click_follows_a_shortcut_and_its_tip_drops_the_suffix(quilpad, probe, windows):
    prefix = quilpad.prefix
    target = install_program(prefix, "mailtool.exe")
    make_shortcut(prefix.unix_path(SLOTS_DIR_WIN + r"\Mail.lnk"), target)
    start_bar(quilpad, probe, files=["", "", "", SLOTS_DIR_WIN + r"\Mail.lnk"])
    # The tip is read before the launch: the launched program may take the foreground, and
    # the bar's tips show only while it has it.
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1025)))
    windows.wait_for_tip("Mail")

    double_click(prefix, probe, 1025)

    qh.wait_until(lambda: runs_of(prefix, target), 15, "the shortcut's target to run")


def test_double_click_on_an_empty_slot_does_nothing(quilpad, probe):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    process, bar = start_bar(quilpad, probe, files=["", tool, "", ""])

    double_click(prefix, probe, 1000)
    # The launch of slot 1 afterwards shows that the first double-click was handled.
    double_click(prefix, probe, 1023)
    qh.wait_until(lambda: runs_of(prefix, tool), 15, "slot 1's program to run")

    assert probe.message_boxes() == []
    assert slot_files(prefix) == ["", tool, "", ""]
    assert len(runs_of(prefix, tool)) == 1


# ---- drops --------------------------------------------------------------------------------

def test_drop_of_three_files_keeps_the_third_without_saving(quilpad, probe, windows, tmp_path):
    prefix = quilpad.prefix
    old = install_program(prefix, "old.exe")
    start_bar(quilpad, probe, files=["", "", old, ""])
    dropped = []
    for name in ("one.txt", "two.txt", "three.txt"):
        (tmp_path / name).write_text(name)
        dropped.append(tmp_path / name)

    assert xdnd_drop.drop_files(prefix.display, *qh.center(screen_rect(probe, 1024)),
                                [str(p) for p in dropped])

    third = dos_path(dropped[2])
    qh.wait_until(lambda: probe.status_text() == third, 10, "the third path in the status strip")
    assert slot_files(prefix)[2] == old
    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1024)))
    windows.wait_for_tip("three.txt")

    # The close box hides the bar and saves: the drop is written then.
    probe.post(0x0010)  # WM_CLOSE
    wait_for_slot_files(prefix, ["", "", third, ""])


def test_locked_slots_refuse_drops(quilpad, probe, tmp_path):
    prefix = quilpad.prefix
    old = install_program(prefix, "old.exe")
    start_bar(quilpad, probe, files=["", "", old, ""], lock=1)
    (tmp_path / "new.txt").write_text("new")
    strip_before = probe.status_text()

    assert not xdnd_drop.drop_files(prefix.display, *qh.center(screen_rect(probe, 1024)),
                                    [str(tmp_path / "new.txt")])

    assert probe.status_text() == strip_before
    probe.post(0x0010)  # WM_CLOSE saves
    qh.wait_until(lambda: not probe.find()["visible"], 10, "the bar to hide")
    assert slot_files(prefix) == ["", "", old, ""]


# ---- drawing ------------------------------------------------------------------------------

def test_empty_and_assigned_slots_in_the_default_layout(quilpad, probe):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    start_bar(quilpad, probe, files=["", tool, "", ""])

    screen = wait_for_look(prefix, probe, 1023, "raised", "default-layout")
    empty, assigned = screen_rect(probe, 1000), screen_rect(probe, 1023)
    assert screen.edge_look(empty) == "pressed"
    assert screen.icon_pixels(empty, 14, 10) == 0
    assert screen.icon_pixels(assigned, 14, 10) > 50
    # Nothing is drawn outside the icon area but the edge.
    left, top, right, bottom = assigned
    assert screen.icon_pixels((left, top, right, bottom), 2, 2) == screen.icon_pixels(assigned, 14, 10)


def test_a_missing_file_still_looks_assigned(quilpad, probe):
    prefix = quilpad.prefix
    start_bar(quilpad, probe, files=[r"C:\gone\away.exe", "", "", ""])

    screen = wait_for_look(prefix, probe, 1000, "raised", "missing-file")
    assert screen.icon_pixels(screen_rect(probe, 1000), 14, 10) > 50


def test_empty_and_assigned_slots_in_the_floating_layout(quilpad, probe):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    start_bar(quilpad, probe, style=2, files=[tool, "", "", ""])
    qh.wait_until(lambda: screen_rect(probe, 1000)[2] - screen_rect(probe, 1000)[0] == 23, 10,
                  "the floating layout")

    screen = wait_for_look(prefix, probe, 1000, "raised", "floating-layout")
    assigned, empty = screen_rect(probe, 1000), screen_rect(probe, 1023)
    assert screen.edge_look(empty) == "pressed"
    assert screen.icon_pixels(empty, 3, 3) == 0
    assert screen.icon_pixels(assigned, 3, 3) > 20


def test_small_button_looks_pressed_only_while_held_down(quilpad, probe):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    start_bar(quilpad, probe, files=[tool, "", "", ""])
    wait_for_look(prefix, probe, 1001, "raised", "small-up")
    assert Screen.take(prefix, "small-icon").icon_pixels(screen_rect(probe, 1001), 5, 4) > 20

    prefix.xdotool("mousemove", *qh.center(screen_rect(probe, 1001)), "mousedown", 1)
    wait_for_look(prefix, probe, 1001, "pressed", "small-down")
    # Released away from the button: no click, the slot keeps its file.
    left, top, right, bottom = screen_rect(probe, 1001)
    prefix.xdotool("mousemove", right + 100, bottom + 100, "mouseup", 1)
    wait_for_look(prefix, probe, 1001, "raised", "small-released")
    assert slot_files(prefix)[0] == tool


# ---- tips ---------------------------------------------------------------------------------

def test_tips_of_the_slots_and_small_buttons(quilpad, probe, windows):
    prefix = quilpad.prefix
    tool = install_program(prefix, "tool.exe")
    start_bar(quilpad, probe, files=["", tool, "", ""])

    expected = {1000: EMPTY_TIP, 1023: "tool.exe", 1001: "Clear the button 1 definition",
                1035: "Select an executable file for the button 4", 1040: "Delete All Setup",
                1017: "Mail received function setting"}
    for control_id, text in expected.items():
        prefix.xdotool("mousemove", *qh.center(screen_rect(probe, control_id)))
        windows.wait_for_tip(text)
