"""Mail polling under Wine: the wake-up cycle driven by posted power broadcasts (Wine never
sends them), the power query that follows the report in the device's log, the first-run
defaults of the notification sound and the mail program, the sound commands with the real
chooser, and Exit while a check waits on a silent server."""

import re

import pytest

import device_helpers
import quilpad_harness as qh
from quilpad_keys import DEFAULT_MAIL_PROGRAM, DEFAULT_WAVE_PATH, USER_KEY, write_user_group
from silent_server import SilentServer
from test_mail_reports import configure, dovecot, empty_mailbox  # noqa: F401

WM_POWERBROADCAST = 0x0218
PBT_APMQUERYSUSPEND = 0
PBT_APMRESUMESUSPEND = 7
PBT_APMRESUMEAUTOMATIC = 18
POWER_QUERY = 128
START_TEXT = "Start to logon the server and get mails, please wait..."
# Wine's SetSystemPowerState returns TRUE and does nothing; its own warning names no
# arguments, so the calls are read from Wine's relay trace, limited to that one function.
RELAY_KEY = r"HKCU\Software\Wine\Debug"
POWER_TRACE_ENV = {"WINEDEBUG": "fixme-all,+relay"}


def trace_power_calls(prefix):
    prefix.reg_set(RELAY_KEY, "RelayInclude", "REG_SZ", "kernel32.SetSystemPowerState")


def power_calls(run):
    """The program's SetSystemPowerState calls as "(suspend,force)", from the relay trace."""
    return [f"({int(suspend, 16)},{int(force, 16)})" for suspend, force in
            re.findall(r"Call KERNEL32\.SetSystemPowerState\(([0-9a-f]+),([0-9a-f]+)\)",
                       run.log())]


@pytest.fixture
def silent_server():
    server = SilentServer()
    yield server
    server.close()


def start_for_suspend_polling(quilpad, probe, prefix, reply, host=None, dovecot=None):
    """Quilpad with periodic polling off and suspend-time polling on with a wake time of 0
    minutes, so that the timer armed at the suspend query has fired at once."""
    if dovecot is not None:
        empty_mailbox(dovecot)
        configure(prefix, dovecot, polling=0)
    else:
        write_user_group(prefix, MailHost=("REG_SZ", host), MailUser=("REG_SZ", "alice"))
    write_user_group_values(prefix, SusMailPollEn=1, SusMailPollTime=0)
    device = device_helpers.Device(prefix)
    trace_power_calls(prefix)
    run = quilpad.start(extra_env=POWER_TRACE_ENV)
    probe.wait_for_bar(timeout=20)
    device.clear()  # also puts the power reply back to 0
    device.power_reply(reply)
    return run, device


def write_user_group_values(prefix, **dwords):
    prefix.reg_set_values(USER_KEY, {name: ("REG_DWORD", value) for name, value in dwords.items()})


def broadcast(probe, event):
    """Sent, not posted: the window has handled it when this returns."""
    probe.send(WM_POWERBROADCAST, event, 0)


def timer_wake(probe):
    broadcast(probe, PBT_APMQUERYSUSPEND)
    broadcast(probe, PBT_APMRESUMEAUTOMATIC)


@pytest.mark.parametrize("reply, power_call", [(1, "(1,0)"), (4, "(0,0)")])
def test_a_timer_wake_polls_then_the_power_query_puts_the_machine_back_to_sleep(
        quilpad, probe, prefix, dovecot, reply, power_call):
    run, device = start_for_suspend_polling(quilpad, probe, prefix, reply, dovecot=dovecot)
    # Periodic polling is off: nothing was checked at start-up, the strip shows its blank.
    assert probe.status_text() == " "

    timer_wake(probe)
    log = device.wait_for_log(lambda log: POWER_QUERY in log, 20, "the power query")
    assert log == [0, POWER_QUERY], "the report's LED command comes first"
    assert probe.status_text().startswith("You have 0 new emails, since ")
    # Suspend (1,0) for replies 1 to 3, hibernate (0,0) for 4; never forced.
    qh.wait_until(lambda: power_calls(run), 10, "the power call")
    assert power_calls(run) == [power_call]


def test_reply_zero_leaves_the_machine_awake(quilpad, probe, prefix, dovecot):
    run, device = start_for_suspend_polling(quilpad, probe, prefix, 0, dovecot=dovecot)
    timer_wake(probe)
    device.wait_for_log(lambda log: POWER_QUERY in log, 20, "the power query")
    # A later check comes from the same worker after its decision on the reply.
    probe.command(32776)
    device.wait_for_log(lambda log: log.count(0) == 2, 20, "the restamp check's report")
    assert power_calls(run) == []
    assert device.log() == [0, POWER_QUERY, 0]


def test_without_a_timer_wake_an_automatic_resume_polls_nothing(quilpad, probe, prefix, dovecot):
    _, device = start_for_suspend_polling(quilpad, probe, prefix, 1, dovecot=dovecot)
    broadcast(probe, PBT_APMRESUMEAUTOMATIC)  # no suspend query armed the timer
    # A power query would follow a report; the second check's report comes after the
    # worker's decision on the first.
    for reports in (1, 2):
        probe.command(32776)
        device.wait_for_log(lambda log: log.count(0) == reports, 20, f"report {reports}")
    assert device.log() == [0, 0]


def test_a_user_resume_after_a_timer_wake_keeps_the_poll_but_not_the_power_query(
        quilpad, probe, prefix, silent_server):
    run, device = start_for_suspend_polling(quilpad, probe, prefix, 1,
                                            host=f"plain:127.0.0.1:{silent_server.port}")
    timer_wake(probe)
    probe.wait_for_status(lambda t: t == START_TEXT, "the wake-up check to start")
    qh.wait_until(lambda: silent_server.accepted == 1, 10, "the check to reach the server")
    broadcast(probe, PBT_APMRESUMESUSPEND)
    silent_server.release()
    probe.wait_for_status(lambda t: t != START_TEXT, "the wake-up check's report")

    # A second wake-up cycle ends in its own power query; the first left none behind.
    timer_wake(probe)
    device.wait_for_log(lambda log: POWER_QUERY in log, 20, "the second cycle's power query")
    assert silent_server.accepted == 2
    assert device.log() == [POWER_QUERY]
    qh.wait_until(lambda: power_calls(run), 10, "the power call")
    assert power_calls(run) == ["(1,0)"]


def test_exit_during_a_check_against_a_silent_server_ends_at_once(quilpad, probe, prefix,
                                                                 silent_server):
    write_user_group(prefix, MailPollEn=("REG_DWORD", 1), MailUser=("REG_SZ", "alice"),
                     MailHost=("REG_SZ", f"plain:127.0.0.1:{silent_server.port}"))
    run = quilpad.start()
    probe.wait_for_bar(timeout=20)
    probe.wait_for_status(lambda t: t == START_TEXT, "the start-up check to start")
    qh.wait_until(lambda: silent_server.accepted == 1, 10, "the check to reach the server")
    probe.command(32777)  # Sound on: only the save at the end writes it to the user group
    probe.command(32774)
    # A message box (the device "closed" under a late report) would hold the exit up.
    assert run.wait(15, "the program to end during the outstanding check") == 0
    assert prefix.reg_get(USER_KEY, "Sound") == 1


# ---- defaults and the notification sound ---------------------------------------------------

def set_program_files(prefix, folder):
    """Wine's processes take ProgramFiles from the registry of their own view, whatever
    their environment says."""
    result = prefix.run(["reg", "add", r"HKLM\Software\Microsoft\Windows\CurrentVersion", "/v",
                         "ProgramFilesDir", "/d", folder, "/f"])
    assert result.returncode == 0, result.stdout + result.stderr


@pytest.mark.parametrize("program_files, mail_program", [
    (None, DEFAULT_MAIL_PROGRAM),
    (r"D:\Programme", r"D:\Program Files\Outlook Express\MSIMN.EXE"),
])
def test_a_first_run_writes_the_sound_and_mail_program_defaults(quilpad, probe, prefix,
                                                                program_files, mail_program):
    if program_files:
        set_program_files(prefix, program_files)
        # The media player is looked for under ProgramFiles too: one in the Windows folder.
        prefix.unix_path(r"C:\windows\mplayer.exe").write_bytes(b"MZ")
    quilpad.start()
    probe.wait_for_bar(timeout=20)
    assert prefix.reg_get(USER_KEY, "WavePath") == DEFAULT_WAVE_PATH
    assert prefix.reg_get(USER_KEY, "WaveOption") == 0
    assert prefix.reg_get(USER_KEY, "MailProgram") == mail_program


def test_stored_sound_and_mail_program_are_kept(quilpad, probe, prefix):
    write_user_group(prefix, WavePath=("REG_SZ", r"C:\sounds\ding.wav"),
                     MailProgram=("REG_SZ", r"D:\mail\reader.exe"))
    quilpad.start()
    probe.wait_for_bar(timeout=20)
    assert prefix.reg_get(USER_KEY, "WavePath") == r"C:\sounds\ding.wav"
    assert prefix.reg_get(USER_KEY, "MailProgram") == r"D:\mail\reader.exe"


def wait_for_registry(prefix, name, expected, timeout=10):
    qh.wait_until(lambda: prefix.reg_get(USER_KEY, name) == expected, timeout,
                  f"{name} to be {expected!r}")


def test_the_sound_commands_with_the_real_chooser(quilpad, probe, prefix, windows):
    chosen = prefix.drive_c / "sounds" / "ding.wav"
    chosen.parent.mkdir()
    chosen.write_bytes(b"RIFF\x24\x00\x00\x00WAVE")
    write_user_group(prefix, WavePath=("REG_SZ", r"C:\old.wav"))
    run = quilpad.start()
    bar = probe.wait_for_bar(timeout=20)

    probe.command(32794)
    chooser = windows.wait_for_chooser(bar["pid"])
    windows.choose(chooser, r"C:\sounds\ding.wav")
    wait_for_registry(prefix, "WavePath", r"C:\sounds\ding.wav")
    assert prefix.reg_get(USER_KEY, "WaveOption") == 1

    probe.command(32796)
    wait_for_registry(prefix, "WavePath", DEFAULT_WAVE_PATH)
    assert prefix.reg_get(USER_KEY, "WaveOption") == 0

    # Cancel keeps the file but still switches to a file of one's own.
    probe.command(32794)
    windows.cancel(windows.wait_for_chooser(bar["pid"]))
    wait_for_registry(prefix, "WaveOption", 1)
    assert prefix.reg_get(USER_KEY, "WavePath") == DEFAULT_WAVE_PATH
    assert run.running()


def test_with_a_file_of_ones_own_and_none_stored_start_up_asks_for_one(quilpad, probe, prefix,
                                                                       windows):
    (prefix.drive_c / "ding.wav").write_bytes(b"RIFF\x24\x00\x00\x00WAVE")
    write_user_group(prefix, WaveOption=("REG_DWORD", 1), WavePath=("REG_SZ", ""))
    quilpad.start()
    bar = probe.wait_for_bar(timeout=20, visible=False)
    windows.choose(windows.wait_for_chooser(bar["pid"]), r"C:\ding.wav")
    probe.wait_for_bar(timeout=20)
    assert prefix.reg_get(USER_KEY, "WavePath") == r"C:\ding.wav"
    assert prefix.reg_get(USER_KEY, "WaveOption") == 1
