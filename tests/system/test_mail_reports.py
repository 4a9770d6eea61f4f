"""The mail library at start-up, the mail checks and how their reports reach the status
strip and the mail LED, against a private dovecot."""

import shutil
import sys
import time
from pathlib import Path

import pytest

import device_helpers
import quilpad_harness as qh
from quilpad_keys import MACHINE_KEY, USER_KEY, write_user_group

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "mailcheck_system"))
from private_dovecot import PrivateDovecot  # noqa: E402

STAMP = "2026/12/01 12:00"
STAMP_EPOCH = qh.stamp_epoch(STAMP)
WITHOUT_CANCEL_DLL = qh.WIN_BUILD / "testbin" / "mail_library_without_cancel.dll"
RECORDING_DLL = qh.WIN_BUILD / "testbin" / "mail_library_recording.dll"
IMAP, POP3 = 1, 0


@pytest.fixture(scope="module")
def dovecot():
    server = PrivateDovecot(users=("alice",))
    yield server
    server.stop()


def configure(prefix, dovecot, server_type=IMAP, polling=1, password=None, host=None):
    port = dovecot.imap_port if server_type == IMAP else dovecot.pop3_port
    write_user_group(prefix, MailPollEn=("REG_DWORD", polling),
                     ServerType=("REG_DWORD", server_type),
                     MailHost=("REG_SZ", host or f"127.0.0.1:{port}"),
                     MailUser=("REG_SZ", "alice"),
                     MailPwd=("REG_SZ", password or dovecot.password("alice")),
                     LastNewTimeStamp=("REG_SZ", STAMP))


def empty_mailbox(dovecot):
    for sub in ("new", "cur"):
        for message in (dovecot.maildir("alice") / sub).iterdir():
            message.unlink()


@pytest.mark.stamps
@pytest.mark.parametrize("server_type", [IMAP, POP3])
def test_new_mail_is_counted_and_lights_the_led(quilpad, probe, prefix, dovecot, server_type):
    empty_mailbox(dovecot)
    dovecot.deliver("alice", STAMP_EPOCH - 60, "before the stamp")
    for minutes in (0, 5, 60):
        dovecot.deliver("alice", STAMP_EPOCH + 60 * minutes, f"new {minutes}")
    configure(prefix, dovecot, server_type)
    quilpad.start()
    probe.wait_for_bar(timeout=20)
    probe.wait_for_status(lambda t: t.startswith("You have"), "the report")
    assert probe.status_text() == f"You have 3 new emails, since {STAMP}"
    device = device_helpers.Device(prefix)
    qh.wait_until(lambda: device.state()["led"] == 1, 10, "the mail LED on")


@pytest.mark.stamps
def test_no_new_mail_switches_the_led_off(quilpad, probe, prefix, dovecot):
    empty_mailbox(dovecot)
    dovecot.deliver("alice", STAMP_EPOCH - 3600, "old")
    configure(prefix, dovecot)
    quilpad.start()
    probe.wait_for_bar(timeout=20)
    probe.wait_for_status(lambda t: t.startswith("You have"), "the report")
    assert probe.status_text() == f"You have 0 new emails, since {STAMP}"
    device = device_helpers.Device(prefix)
    qh.wait_until(lambda: 0 in device.log(), 10, "the LED-off command")
    assert device.state()["led"] == 0


@pytest.mark.parametrize("case, expected", [
    ("wrong password", "Bad User Name or Password"),
    ("unknown host", "Host not found. Err:\\ 11001L"),
])
def test_a_failed_check_only_replaces_the_status_text(quilpad, probe, prefix, dovecot, case,
                                                      expected):
    if case == "wrong password":
        configure(prefix, dovecot, password="not-the-password")
    else:
        configure(prefix, dovecot, host="no-such-host.invalid")
    quilpad.start()
    probe.wait_for_bar(timeout=20)
    probe.wait_for_status(lambda t: t == expected, expected)
    device = device_helpers.Device(prefix)
    assert 0 not in device.log() and 1 not in device.log()


@pytest.mark.stamps
def test_restamp_checks_at_once_from_now_even_with_polling_off(quilpad, probe, prefix, dovecot):
    empty_mailbox(dovecot)
    dovecot.deliver("alice", time.time() - 3600, "an hour ago")
    configure(prefix, dovecot, polling=0)
    quilpad.start()
    probe.wait_for_bar(timeout=20)
    before = qh.local_stamp(time.time())
    probe.command(32776)
    text = probe.wait_for_status(lambda t: t.startswith("You have"), "the report")
    stamp = prefix.reg_get(USER_KEY, "LastNewTimeStamp")
    assert stamp >= before
    assert text == f"You have 0 new emails, since {stamp}"


def assert_nothing_saved(prefix):
    # The load before creates the machine key empty; the save at the end of start-up
    # would have filled it.
    assert prefix.reg_get(MACHINE_KEY, "ProgramFile0") is None


def test_without_the_mail_library_start_up_ends_with_status_one(quilpad, probe, prefix):
    write_user_group(prefix)
    (quilpad.install_dir / "VRXMail.DLL").unlink()
    run = quilpad.start()
    box = probe.wait_for_message_box(timeout=20, exe="Quilpad.exe")
    assert box["text"] == "Unable to load VRXMAIL.DLL.\n Aborting !"
    probe.press_message_box(1, exe="Quilpad.exe")
    assert run.wait(20, "the program to end") == 1
    assert probe.find() is None
    assert_nothing_saved(prefix)


@pytest.mark.parametrize("device_present", [True, False])
def test_a_library_without_cancel_callback_is_refused_then_the_device_checked(
        quilpad, probe, prefix, device_present):
    write_user_group(prefix)
    shutil.copy(WITHOUT_CANCEL_DLL, quilpad.install_dir / "VRXMail.DLL")
    if not device_present:
        device_helpers.remove_device(prefix)
    run = quilpad.start()
    box = probe.wait_for_message_box(timeout=20, exe="Quilpad.exe")
    assert box["text"] == "Unable to get CancelCallBack-address. Aborting"
    probe.press_message_box(1, exe="Quilpad.exe")
    if not device_present:
        box = qh.wait_until(lambda: [b for b in probe.message_boxes(exe="Quilpad.exe")
                                     if b["text"] == "Open driver TZK0001 fail !"],
                            20, "the device message")[0]
        probe.press_message_box(1, exe="Quilpad.exe")
    assert run.wait(20, "the program to end") == 1
    assert probe.find() is None
    assert_nothing_saved(prefix)


# A library with only the four entry points starts without a message; at Exit the program
# calls GetMailAbort once, and neither of the two whose signatures are not its own.
def test_at_exit_get_mail_abort_is_called_once_and_nothing_else(quilpad, probe, prefix):
    write_user_group(prefix)
    shutil.copy(RECORDING_DLL, quilpad.install_dir / "VRXMail.DLL")
    calls = quilpad.install_dir / "calls.txt"
    run = quilpad.start()
    probe.wait_for_bar(timeout=20)
    assert not probe.message_boxes(exe="Quilpad.exe")
    assert not calls.exists()
    probe.command(32774)  # Exit
    assert run.wait(20, "the program to end") == 0
    assert calls.read_text().split() == ["GetMailAbort"]


def tray_updates(run):
    """How often the program has changed its tray icon so far, from Wine's trace."""
    return run.log().count("Shell_NotifyIconW dwMessage = 1,")


@pytest.mark.stamps
def test_new_mail_blinks_the_tray_icon_until_acknowledged(quilpad, probe, prefix, dovecot):
    empty_mailbox(dovecot)
    dovecot.deliver("alice", STAMP_EPOCH + 60, "new")
    configure(prefix, dovecot)
    run = quilpad.start(extra_env={"WINEDEBUG": "fixme-all,trace+systray"})
    probe.wait_for_bar(timeout=20)
    probe.wait_for_status(lambda t: t.startswith("You have 1"), "the report")
    # The balloon, then one change a second while the icon blinks.
    start = tray_updates(run)
    qh.wait_until(lambda: tray_updates(run) >= start + 4, 10, "the icon to blink")

    # The user double-clicks the tray icon; sent, so that it has been handled on return.
    probe.send(0x0401, 1, 0x0203)
    # The acknowledgement has put the icon back and emptied the balloon; the blinking sees
    # the stop within one cycle of two seconds, so after that the icon stays as it is.
    time.sleep(2.5)
    settled = tray_updates(run)
    observed = time.monotonic()
    while time.monotonic() - observed < 3:
        assert tray_updates(run) == settled, "the icon still blinks after the acknowledgement"
        time.sleep(0.2)
