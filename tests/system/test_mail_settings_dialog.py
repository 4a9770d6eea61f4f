"""The mail settings dialog under Wine, driven from outside through its control ids: the
template and tab order, opening from button 1017 and command 32788, the periods and their
bounds, the mail program chooser and its parameter rule, the server type, Cancel, and a
confirmation that reaches the running mail worker at once."""

import shutil

import pytest

import device_helpers
import quilpad_harness as qh
from quilpad_keys import USER_KEY, write_user_group
from test_mail_reports import dovecot, empty_mailbox  # noqa: F401

TITLE = "Mail received function Setting"
CHOOSER_TITLE = "Open a File"
TOUCH_FILE_EXE = qh.WIN_BUILD / "testbin" / "touch_file.exe"

BM_CLICK, BM_GETCHECK = 0x00F5, 0x00F0
CB_GETCURSEL, CB_SETCURSEL, CB_GETCOUNT = 0x0147, 0x014E, 0x0146
CBN_SELCHANGE = 1
WM_CLOSE = 0x0010
EM_GETSEL, EM_SETSEL = 0x00B0, 0x00B1
MB_ICONSTOP_TEXT = "Please chose the number between 5 and 32767 !"
INTEGER_PROMPT = "Please enter an integer."

RUNNING_BOX, RUNNING_TIME, RUNNING_UNIT = 1004, 1005, 1006
SUSPEND_BOX, SUSPEND_TIME, SUSPEND_UNIT = 1007, 1008, 1009
PROGRAM, CHOOSE, PARAMETER = 1010, 1011, 1012
SERVER_TYPE, HOST, USER, PASSWORD = 1013, 1014, 1015, 1016
OK, CANCEL = 1038, 2

# id: class, text, (x, y, width, height) in dialog units, takes the focus.
TEMPLATE = [
    (1004, "Button", "Polling time when system on", (25, 15, 105, 8), True),
    (1005, "Edit", None, (134, 13, 30, 12), True),
    (1006, "Static", "Minutes", (170, 15, 32, 8), False),
    (1007, "Button", "Polling time when suspend on", (25, 45, 111, 8), True),
    (1008, "Edit", None, (137, 43, 30, 12), True),
    (1009, "Static", "Minutes", (170, 45, 30, 8), False),
    (-1, "Button", "", (15, 5, 195, 25), False),
    (-1, "Button", "", (15, 35, 195, 25), False),
    (-1, "Static", "Program", (15, 90, 28, 10), False),
    (1010, "Edit", None, (55, 90, 125, 12), True),
    (1011, "Button", "", (187, 89, 14, 12), True),
    (-1, "Static", "Parameter", (15, 110, 35, 10), False),
    (1012, "Edit", None, (55, 110, 125, 12), True),
    (-1, "Button", "The Program Related To The Mail-Received Function", (10, 70, 203, 60), False),
    (-1, "Static", "Server Type", (22, 153, 40, 8), False),
    (-1, "Static", "Host Name", (22, 170, 40, 8), False),
    (-1, "Static", "User Name", (22, 185, 40, 8), False),
    (-1, "Static", "Password", (22, 200, 35, 10), False),
    (1013, "ComboBox", None, (67, 153, 130, 40), True),
    (1014, "Edit", None, (67, 170, 130, 12), True),
    (1015, "Edit", None, (67, 185, 130, 12), True),
    (1016, "Edit", None, (67, 200, 130, 12), True),
    (-1, "Button", "Mail Server Setting", (10, 140, 203, 80), False),
    (1038, "Button", "OK", (65, 225, 39, 14), True),
    (2, "Button", "Cancel", (120, 225, 41, 14), True),
]
DIALOG_UNITS = (223, 246)
WS_TABSTOP, BS_TYPEMASK = 0x00010000, 0x0F
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX, BS_GROUPBOX = 0, 1, 3, 7
BS_ICON, BS_OWNERDRAW = 0x40, 0x0B
ES_PASSWORD, ES_READONLY, ES_AUTOHSCROLL = 0x20, 0x800, 0x80
CBS_TYPEMASK, CBS_DROPDOWN, CBS_SORT = 0x3, 0x2, 0x100

OLD_PROGRAM = r"C:\mail\old.exe"
STORED = dict(MailProgram=("REG_SZ", OLD_PROGRAM), MailPgmParam=("REG_SZ", "-old"),
              MailHost=("REG_SZ", "old.example.org"), MailUser=("REG_SZ", "olduser"),
              MailPwd=("REG_SZ", "oldpass"), ServerType=("REG_DWORD", 1),
              MailPollEn=("REG_DWORD", 1), MailPollTime=("REG_DWORD", 15),
              SusMailPollEn=("REG_DWORD", 0), SusMailPollTime=("REG_DWORD", 45))
MAIL_VALUES = ("MailHost", "MailPgmParam", "MailPollEn", "MailPollTime", "MailProgram",
               "MailPwd", "MailUser", "ServerType", "SusMailPollEn", "SusMailPollTime")


# ---- helpers ------------------------------------------------------------------------------

def start(quilpad, probe, **overrides):
    """Starts the program with a user group where polling is on (but the host is unknown,
    so that no check gets anywhere) and waits for the bar."""
    write_user_group(quilpad.prefix, **dict(STORED, **overrides))
    # Away from the bar and the dialog, so that no tip tracks the pointer.
    quilpad.prefix.xdotool("mousemove", 1270, 1010)
    process = quilpad.start()
    probe.wait_for_bar(timeout=20)
    return process


def open_dialog(probe, by_button=True):
    if by_button:
        probe.post(BM_CLICK, to=1017)
    else:
        probe.command(32788)
    return qh.wait_until(lambda: probe.find(window=TITLE), 10, "the mail settings dialog")


def wait_closed(probe):
    qh.wait_until(lambda: probe.find(window=TITLE) is None, 10, "the dialog to close")


def dialog_open(probe):
    return probe.find(window=TITLE) is not None


def control(probe, control_id):
    return probe.control(control_id, window=TITLE)


def text(probe, control_id):
    return control(probe, control_id)["text"]


def checked(probe, control_id):
    return probe.send(BM_GETCHECK, to=control_id, window=TITLE) == 1


def click(probe, control_id):
    """A click as the button itself makes it: posted, so that a handler that opens a modal
    window does not hold the probe."""
    probe.post(BM_CLICK, to=control_id, window=TITLE)


def tick(probe, control_id, ticked):
    if checked(probe, control_id) != ticked:
        click(probe, control_id)
        qh.wait_until(lambda: checked(probe, control_id) == ticked, 5, f"box {control_id}")


def type_into(probe, control_id, value):
    probe.set_text(control_id, value, window=TITLE)


def choose_server(probe, index):
    probe.send(CB_SETCURSEL, index, to=SERVER_TYPE, window=TITLE)
    probe.command(SERVER_TYPE, CBN_SELCHANGE, window=TITLE)


def server_selection(probe):
    return probe.send(CB_GETCURSEL, to=SERVER_TYPE, window=TITLE)


def stored(prefix):
    values = prefix.reg_values(USER_KEY) or {}
    return {name: values[name][1] if name in values else None for name in MAIL_VALUES}


def stored_equals(prefix, expected):
    now = stored(prefix)
    return now if all(now[k] == v for k, v in expected.items()) else None


def wait_for_box(probe, text):
    box = probe.wait_for_message_box(bar_only=True)
    assert box["text"] == text
    return box


def answer_box(probe):
    probe.press_message_box(1, bar_only=True)
    qh.wait_until(lambda: not probe.message_boxes(bar_only=True), 10, "the message box to go")


def install_program(prefix, folder, name):
    path = prefix.unix_path(folder) / name
    path.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy(TOUCH_FILE_EXE, path)
    return folder + "\\" + name


def choose_program(probe, windows, pid, windows_path):
    click(probe, CHOOSE)
    chooser = windows.wait_for_chooser(pid)
    assert chooser["title"] == CHOOSER_TITLE
    if windows_path is None:
        windows.cancel(chooser)
    else:
        windows.choose(chooser, windows_path)
    qh.wait_until(lambda: not [c for c in windows.choosers() if c["pid"] == pid], 10,
                  "the chooser to close")


# ---- the dialog as the template makes it ------------------------------------------------------

def test_template_controls_tab_order_and_icon_button(quilpad, probe, windows):
    start(quilpad, probe)
    dialog = open_dialog(probe)
    assert dialog["title"] == TITLE
    controls = probe.controls(window=TITLE)
    assert [(c["id"] if c["id"] < 0x10000 and c["id"] != 0xFFFF else -1, c["class"])
            for c in controls] == [(t[0], t[1]) for t in TEMPLATE]

    scale_x = dialog["client_rect"][2] / DIALOG_UNITS[0]
    scale_y = dialog["client_rect"][3] / DIALOG_UNITS[1]
    for got, (control_id, cls, label, rect, takes_focus) in zip(controls, TEMPLATE):
        if label is not None:
            assert got["text"] == label, control_id
        assert bool(got["style"] & WS_TABSTOP) == takes_focus, control_id
        # A closed drop-down combo box is one line high; its height holds the list.
        corners = 3 if cls == "ComboBox" else 4
        for have, want in zip(got["rect"][:corners], qh.to_pixels(rect, scale_x, scale_y)):
            assert abs(have - want) <= 2, (control_id, got["rect"])

    style = {c["id"]: c["style"] for c in controls if c["id"] in (1004, 1007, 1010, 1011, 1013,
                                                                  1016, 1038, 2)}
    assert style[1004] & BS_TYPEMASK == BS_AUTOCHECKBOX == style[1007] & BS_TYPEMASK
    assert style[1010] & (ES_READONLY | ES_AUTOHSCROLL) == ES_READONLY | ES_AUTOHSCROLL
    assert style[1016] & ES_PASSWORD
    # The combo box hands WS_VSCROLL on to its list, so its own style does not show it.
    assert style[1013] & CBS_TYPEMASK == CBS_DROPDOWN
    assert not style[1013] & CBS_SORT
    assert style[1011] & BS_TYPEMASK == BS_PUSHBUTTON and style[1011] & BS_ICON
    assert style[1038] & BS_TYPEMASK == BS_DEFPUSHBUTTON
    assert style[2] & BS_TYPEMASK == BS_PUSHBUTTON
    assert probe.send(0x00F6, 1, to=CHOOSE, window=TITLE) != 0  # BM_GETIMAGE: an icon
    assert probe.send(CB_GETCOUNT, to=SERVER_TYPE, window=TITLE) == 2

    # The focus starts on the first control and Tab walks the template order; the
    # suspend period is hidden (its box is unticked) and is skipped.
    focus = qh.wait_until(probe.focus, 5, "the focus")
    assert (focus["window_title"], focus["id"]) == (TITLE, RUNNING_BOX)
    order = []
    for _ in range(13):
        probe.key("tab")
        previous = order[-1] if order else RUNNING_BOX
        order.append(qh.wait_until(lambda: (lambda f: f and f["id"] != previous and f["id"])(
            probe.focus()), 5, "the focus to move"))
    assert order == [RUNNING_TIME, SUSPEND_BOX, PROGRAM, CHOOSE, PARAMETER, SERVER_TYPE, HOST,
                     USER, PASSWORD, OK, CANCEL, RUNNING_BOX, RUNNING_TIME]

    button = control(probe, CHOOSE)["screen_rect"]
    quilpad.prefix.xdotool("mousemove", (button[0] + button[2]) // 2, (button[1] + button[3]) // 2)
    windows.wait_for_tip("Mail received function setting")
    quilpad.prefix.xdotool("mousemove", 1270, 1010)


def test_opens_with_the_stored_values_and_hides_an_unticked_period(quilpad, probe):
    start(quilpad, probe)
    open_dialog(probe, by_button=False)
    assert checked(probe, RUNNING_BOX) and not checked(probe, SUSPEND_BOX)
    assert text(probe, RUNNING_TIME) == "15" and control(probe, RUNNING_TIME)["visible"]
    assert not control(probe, SUSPEND_TIME)["visible"]
    assert not control(probe, SUSPEND_UNIT)["visible"]
    assert [text(probe, i) for i in (PROGRAM, PARAMETER, HOST, USER, PASSWORD)] == [
        OLD_PROGRAM, "-old", "old.example.org", "olduser", "oldpass"]
    assert server_selection(probe) == 1 and text(probe, SERVER_TYPE) == "IMAP"

    # Ticked, the hidden period shows its default, not the stored 45.
    tick(probe, SUSPEND_BOX, True)
    assert control(probe, SUSPEND_TIME)["visible"] and control(probe, SUSPEND_UNIT)["visible"]
    assert text(probe, SUSPEND_TIME) == "30"
    tick(probe, RUNNING_BOX, False)
    assert not control(probe, RUNNING_TIME)["visible"]


def test_a_second_open_does_not_stack_a_second_dialog(quilpad, probe):
    start(quilpad, probe)
    open_dialog(probe)
    bar = probe.find()
    assert not bar["enabled"]  # modal over the bar
    probe.command(32788)
    probe.command(1017)
    # The bar's queue has been worked through once the probe's next message is answered.
    probe.send(0)
    own = [w for w in probe.windows() if w["title"] == TITLE]
    assert len(own) == 1
    click(probe, CANCEL)
    wait_closed(probe)
    qh.wait_until(lambda: probe.find()["enabled"], 5, "the bar enabled again")


# ---- confirming -----------------------------------------------------------------------------

def test_confirm_stores_the_ten_values_and_ignores_other_settings(quilpad, probe):
    prefix = quilpad.prefix
    start(quilpad, probe)
    open_dialog(probe)
    # Written after the dialog's opening save: the dialog's own save leaves it alone.
    prefix.reg_set(USER_KEY, "LastNewTimeStamp", "REG_SZ", "2001/02/03 04:05")
    tick(probe, SUSPEND_BOX, True)
    type_into(probe, RUNNING_TIME, "20")
    type_into(probe, SUSPEND_TIME, "90")
    type_into(probe, PARAMETER, "/new")
    type_into(probe, HOST, "tls:mail.example.org")
    type_into(probe, USER, "someone")
    type_into(probe, PASSWORD, "se cret")
    choose_server(probe, 0)
    click(probe, OK)
    wait_closed(probe)
    assert stored(prefix) == {
        "MailHost": "tls:mail.example.org", "MailPgmParam": "/new", "MailPollEn": 1,
        "MailPollTime": 20, "MailProgram": OLD_PROGRAM, "MailPwd": "se cret",
        "MailUser": "someone", "ServerType": 0, "SusMailPollEn": 1, "SusMailPollTime": 90}
    assert prefix.reg_get(USER_KEY, "LastNewTimeStamp") == "2001/02/03 04:05"
    # The running settings took them too: the next open shows them.
    open_dialog(probe)
    assert text(probe, HOST) == "tls:mail.example.org" and text(probe, SUSPEND_TIME) == "90"


@pytest.mark.parametrize("box, field", [(RUNNING_BOX, RUNNING_TIME), (SUSPEND_BOX, SUSPEND_TIME)])
def test_period_bounds_are_inclusive(quilpad, probe, box, field):
    prefix = quilpad.prefix
    start(quilpad, probe)
    name = "MailPollTime" if field == RUNNING_TIME else "SusMailPollTime"
    open_dialog(probe)
    tick(probe, box, True)
    for refused in ("4", "32768"):
        type_into(probe, field, refused)
        click(probe, OK)
        box_seen = wait_for_box(probe, MB_ICONSTOP_TEXT)
        assert box_seen["title"] == "Quilpad"
        answer_box(probe)
        assert dialog_open(probe)
        assert prefix.reg_get(USER_KEY, name) == (15 if name == "MailPollTime" else 45)
    for accepted in (5, 32767):
        type_into(probe, field, str(accepted))
        click(probe, OK)
        wait_closed(probe)
        assert prefix.reg_get(USER_KEY, name) == accepted
        if accepted == 5:
            open_dialog(probe)


def test_an_unticked_period_is_not_tested_and_its_default_is_stored(quilpad, probe):
    prefix = quilpad.prefix
    start(quilpad, probe, SusMailPollEn=("REG_DWORD", 1))
    open_dialog(probe)
    type_into(probe, RUNNING_TIME, "40000")
    type_into(probe, SUSPEND_TIME, "40000")
    tick(probe, RUNNING_BOX, False)
    tick(probe, SUSPEND_BOX, False)
    click(probe, OK)
    wait_closed(probe)
    assert prefix.reg_get(USER_KEY, "MailPollTime") == 5
    assert prefix.reg_get(USER_KEY, "SusMailPollTime") == 30
    # What the running program holds is what was stored: its own save at exit keeps them.
    probe.command(32774)
    probe.wait_for_no_bar(timeout=15)
    assert prefix.reg_get(USER_KEY, "MailPollTime") == 5
    assert prefix.reg_get(USER_KEY, "SusMailPollTime") == 30


def settled(probe):
    """Returns once the dialog's thread has finished reacting to what came before: a
    message posted now is handled only by a message loop that runs after that reaction
    (a second message box would already be up by then)."""
    probe.post(EM_SETSEL, 1, 3, to=HOST, window=TITLE)
    qh.wait_until(lambda: probe.send(EM_GETSEL, to=HOST, window=TITLE) == (3 << 16 | 1), 10,
                  "the dialog to handle a posted message")


def test_only_the_first_failing_period_is_reported(quilpad, probe):
    start(quilpad, probe)
    open_dialog(probe)
    tick(probe, SUSPEND_BOX, True)
    type_into(probe, SUSPEND_TIME, "2")
    # Both messages have the same text: each confirmation must show exactly one box.
    for running in ("3", "6"):
        type_into(probe, RUNNING_TIME, running)
        click(probe, OK)
        wait_for_box(probe, MB_ICONSTOP_TEXT)
        answer_box(probe)
        settled(probe)
        assert probe.message_boxes(bar_only=True) == [], f"a second box with {running} minutes"
    assert dialog_open(probe)


def test_a_period_that_is_not_a_whole_number_prompts_and_keeps_the_dialog_open(quilpad, probe):
    prefix = quilpad.prefix
    start(quilpad, probe)
    open_dialog(probe)
    # Changed behind the open dialog, so that storing the held values shows.
    prefix.reg_set(USER_KEY, "MailHost", "REG_SZ", "changed.example.org")
    prefix.reg_set(USER_KEY, "MailPollTime", "REG_DWORD", 99)
    type_into(probe, RUNNING_TIME, "1.5")
    type_into(probe, HOST, "typed.example.org")
    click(probe, OK)
    box = wait_for_box(probe, INTEGER_PROMPT)
    assert box["title"] == "Quilpad"
    answer_box(probe)
    assert dialog_open(probe)
    focus = probe.focus()
    assert (focus["window_title"], focus["id"]) == (TITLE, RUNNING_TIME)
    # The take-over stopped at the period: that row and the later ones kept their held
    # values, and those were stored.
    assert prefix.reg_get(USER_KEY, "MailHost") == "old.example.org"
    assert prefix.reg_get(USER_KEY, "MailPollTime") == 15
    assert text(probe, HOST) == "typed.example.org"

    type_into(probe, RUNNING_TIME, "25")
    click(probe, OK)
    wait_closed(probe)
    assert prefix.reg_get(USER_KEY, "MailPollTime") == 25
    assert prefix.reg_get(USER_KEY, "MailHost") == "typed.example.org"


def test_a_stored_server_type_2_opens_unselected_and_stays(quilpad, probe):
    prefix = quilpad.prefix
    start(quilpad, probe, ServerType=("REG_DWORD", 2))
    open_dialog(probe)
    assert server_selection(probe) == -1 and text(probe, SERVER_TYPE) == ""
    click(probe, OK)
    wait_closed(probe)
    assert prefix.reg_get(USER_KEY, "ServerType") == 2
    open_dialog(probe)
    choose_server(probe, 1)
    click(probe, OK)
    wait_closed(probe)
    assert prefix.reg_get(USER_KEY, "ServerType") == 1


@pytest.mark.parametrize("how", ["cancel", "esc", "close box"])
def test_cancel_changes_nothing(quilpad, probe, how):
    prefix = quilpad.prefix
    start(quilpad, probe)
    before = stored(prefix)
    open_dialog(probe)
    tick(probe, SUSPEND_BOX, True)
    type_into(probe, HOST, "other.example.org")
    type_into(probe, RUNNING_TIME, "99")
    choose_server(probe, 0)
    if how == "cancel":
        click(probe, CANCEL)
    elif how == "esc":
        probe.key("esc")
    else:
        probe.post(WM_CLOSE, window=TITLE)
    wait_closed(probe)
    assert stored(prefix) == before
    # The running settings are unchanged as well: the program's own save at exit writes
    # them back as they were.
    probe.command(32774)
    probe.wait_for_no_bar(timeout=15)
    assert stored(prefix) == before


# ---- the mail program chooser -----------------------------------------------------------------

@pytest.mark.parametrize("folder, name, parameter", [
    (r"C:\Program Files\Outlook Express", "msimn.exe", "/mail"),
    (r"C:\elsewhere\deep", "MSIMN.EXE", "/mail"),
    (r"C:\Office", "outlook.exe", "/recycle"),
    (r"C:\tools", "mailer.exe", "-old"),
])
def test_chosen_program_and_its_parameter(quilpad, probe, windows, folder, name, parameter):
    prefix = quilpad.prefix
    path = install_program(prefix, folder, name)
    process = start(quilpad, probe)
    pid = probe.find()["pid"]
    open_dialog(probe)
    choose_program(probe, windows, pid, path)
    qh.wait_until(lambda: text(probe, PROGRAM).lower() == path.lower(), 10, "the program shown")
    assert text(probe, PARAMETER) == parameter
    click(probe, OK)
    wait_closed(probe)
    assert prefix.reg_get(USER_KEY, "MailProgram").lower() == path.lower()
    assert prefix.reg_get(USER_KEY, "MailPgmParam") == parameter
    assert process.running()


def test_typed_text_survives_the_chooser_and_a_cancelled_chooser_changes_nothing(
        quilpad, probe, windows):
    prefix = quilpad.prefix
    path = install_program(prefix, r"C:\Office", "OUTLOOK.EXE")
    start(quilpad, probe)
    pid = probe.find()["pid"]
    open_dialog(probe)
    type_into(probe, HOST, "typed.example.org:995")
    type_into(probe, USER, "typed-user")
    type_into(probe, PASSWORD, "typed-pass")
    choose_program(probe, windows, pid, None)
    assert [text(probe, i) for i in (PROGRAM, PARAMETER, HOST, USER, PASSWORD)] == [
        OLD_PROGRAM, "-old", "typed.example.org:995", "typed-user", "typed-pass"]
    type_into(probe, HOST, "again.example.org")
    choose_program(probe, windows, pid, path)
    qh.wait_until(lambda: text(probe, PROGRAM).lower() == path.lower(), 10, "the program shown")
    assert [text(probe, i) for i in (PARAMETER, HOST, USER, PASSWORD)] == [
        "/recycle", "again.example.org", "typed-user", "typed-pass"]


# ---- end to end ---------------------------------------------------------------------------------

@pytest.mark.stamps
@pytest.mark.parametrize("box, field", [(RUNNING_BOX, RUNNING_TIME), (SUSPEND_BOX, SUSPEND_TIME)])
def test_new_server_settings_are_checked_at_once_without_a_restart(quilpad, probe, dovecot, box,
                                                                   field):
    prefix = quilpad.prefix
    empty_mailbox(dovecot)
    since = qh.minute_ago(3600)
    stamp = qh.local_stamp(since)
    for minutes in (50, 40):
        dovecot.deliver("alice", since + minutes * 60, f"new {minutes}")
    dovecot.deliver("alice", since - 600, "before the stamp")
    # Polling off, an hour's period, a server that does not exist.
    start(quilpad, probe, MailPollEn=("REG_DWORD", 0), MailPollTime=("REG_DWORD", 60),
          MailHost=("REG_SZ", "no-such-host.invalid"), LastNewTimeStamp=("REG_SZ", stamp))
    device = device_helpers.Device(prefix)

    open_dialog(probe)
    # Either kind of polling, ticked alone, asks for a check.
    tick(probe, box, True)
    type_into(probe, field, "60")
    type_into(probe, HOST, f"plain:127.0.0.1:{dovecot.imap_port}")
    type_into(probe, USER, "alice")
    type_into(probe, PASSWORD, dovecot.password("alice"))
    choose_server(probe, 1)
    click(probe, OK)
    wait_closed(probe)
    probe.wait_for_status(lambda t: t.startswith("You have"), "the check's report")
    assert probe.status_text() == f"You have 2 new emails, since {stamp}"
    qh.wait_until(lambda: device.state()["led"] == 1, 10, "the mail LED on")
