"""Checks of the system-test harness itself: fresh prefixes, the registry helpers, program
start and exit codes, screenshots, the zone and environment Wine runs in, the closing line
of Windows-built tests, and the probe against Wine's own programs and a running
Quilpad.exe."""

import re
import struct
import time

import pytest

import quilpad_harness as qh

SCRATCH_KEY = r"HKCU\Software\QuilpadHarnessCheck"
BAR_CONTROL_IDS = {1000, 1003, 1040}


@pytest.mark.parametrize("run", [1, 2])
def test_each_test_starts_from_a_fresh_registry(prefix, run):
    # Whichever run comes second would see the first one's value if prefixes were shared.
    assert prefix.reg_get(SCRATCH_KEY, "WrittenBy") is None
    prefix.reg_set(SCRATCH_KEY, "WrittenBy", "REG_DWORD", run)
    assert prefix.reg_get(SCRATCH_KEY, "WrittenBy") == run


def test_prefix_has_unmanaged_windows(prefix):
    assert prefix.reg_get(r"HKCU\Software\Wine\X11 Driver", "Managed") == "N"


def test_registry_helpers_round_trip_every_type(prefix):
    key = r"HKCU\Software\QPD\0.01"
    assert prefix.reg_values(key) is None
    assert not prefix.reg_key_exists(key)

    written = {
        "Text": ("REG_SZ", "Växjö café"),
        "Empty": ("REG_SZ", ""),
        "Expand": ("REG_EXPAND_SZ", r"%SystemRoot%\system32"),
        "Small": ("REG_DWORD", 7),
        "Large": ("REG_DWORD", 0xFFFFFFFF),
        "Blob": ("REG_BINARY", b"\x00\xff\x10"),
        "Lines": ("REG_MULTI_SZ", ["one", "two"]),
        "Two  words    here": ("REG_SZ", "x    y"),
        "": ("REG_SZ", "default"),
    }
    prefix.reg_set_values(key, written)
    assert prefix.reg_values(key) == written
    prefix.reg_set(key, "Text", "REG_SZ", "set alone")
    prefix.reg_set(key, "Lines", "REG_MULTI_SZ", ["three"])
    assert prefix.reg_values(key) == dict(written, Text=("REG_SZ", "set alone"),
                                          Lines=("REG_MULTI_SZ", ["three"]))
    assert prefix.reg_get(key, "Large") == 0xFFFFFFFF
    assert prefix.reg_type(key, "Expand") == "REG_EXPAND_SZ"
    assert prefix.reg_get(key, "Missing") is None
    assert prefix.reg_get(key + r"\Missing", "Text") is None

    assert prefix.reg_delete(key, "Text")
    assert not prefix.reg_delete(key, "Text")
    assert prefix.reg_get(key, "Text") is None
    assert prefix.reg_delete(key)
    assert not prefix.reg_key_exists(key)


def test_local_machine_keys_are_writable(prefix):
    key = r"HKLM\software\TZK\VRX\0.01"
    prefix.reg_set(key, "Lock", "REG_DWORD", 1)
    assert prefix.reg_get(key, "Lock") == 1


def test_started_program_reports_its_windows_exit_code(prefix, tmp_path):
    run = prefix.start(["cmd", "/c", "echo started & exit 7"], cwd=tmp_path, log_name="cmd.log")
    assert run.wait(30) == 7
    assert "started" in run.log()


def test_a_captured_run_ends_with_its_program_while_a_process_it_started_keeps_the_output(
        prefix):
    # As Wine's desktop process does with the first program that needs it: a process the
    # program started inherits its standard handles and outlives it.
    done = prefix.run(["cmd", "/c", "echo answered& start /b notepad.exe"], timeout=20)
    assert done.returncode == 0
    assert b"answered" in done.stdout


def test_screenshot_shows_our_display(prefix):
    png = prefix.screenshot("screen.png").read_bytes()
    assert png[:8] == b"\x89PNG\r\n\x1a\n"
    width, height = struct.unpack(">II", png[16:24])
    assert (width, height) == (1280, 1024)


def test_probe_finds_nothing_without_the_program(probe):
    assert probe.find() is None
    assert probe.controls() is None
    assert probe.message_boxes() == []
    with pytest.raises(qh.ProbeError, match="no button bar"):
        probe.command(1000)
    with pytest.raises(qh.ProbeError, match="usage"):
        probe.run("no-such-command")
    with pytest.raises(qh.ProbeError, match="usage"):
        probe.run("control", "not-a-number")


def test_probe_reads_and_presses_a_message_box(prefix, probe, tmp_path):
    # Wine's Notepad asks whether to create a file that does not exist, in a message box.
    notepad = prefix.start(["notepad", r"C:\no-such-file.txt"], cwd=tmp_path,
                           log_name="notepad.log")
    box = probe.wait_for_message_box(timeout=15, exe="notepad.exe")
    assert box["class"] == "#32770" and box["visible"]
    assert r"C:\no-such-file.txt" in box["text"]
    assert {b["id"] for b in box["buttons"]} == {6, 7, 2}  # Yes, No, Cancel
    assert probe.message_boxes(exe="Quilpad.exe") == []

    probe.press_message_box(2, exe="notepad.exe")
    notepad.wait(15, "Notepad to end after Cancel")
    assert probe.message_boxes() == []


def test_probe_reads_the_running_button_bar(quilpad, probe):
    started = time.monotonic()
    run = quilpad.start()
    bar = probe.wait_for_bar(timeout=15)
    qh.record_timing("Quilpad start to visible bar", time.monotonic() - started)

    assert bar["class"] == "#32770"
    assert bar["exe"] == "Quilpad.exe"
    left, top, right, bottom = bar["client_rect"]
    assert (left, top) == (0, 0) and right > 0 and bottom > 0

    status = probe.control(1003)
    assert status["class"] == "Static"
    assert status["id"] == 1003
    assert probe.control(4242) is None
    assert BAR_CONTROL_IDS <= {c["id"] for c in probe.controls()}

    before = time.monotonic()
    probe.find()
    qh.record_timing("probe call", time.monotonic() - before)
    assert run.running()


def test_probe_sends_messages_and_keys_to_the_bar(quilpad, probe):
    run = quilpad.start()
    probe.wait_for_bar(timeout=15)
    status = probe.control(1003)
    assert probe.send(0x000E, to=1003) == len(status["text"])  # WM_GETTEXTLENGTH

    probe.key("esc")
    run.wait(10, "Quilpad to end on Esc")
    assert probe.find() is None


@pytest.mark.stamps
def test_wine_keeps_the_local_time_of_the_tests_zone(prefix):
    # cmd shows the local time in the user's short format ("3:04 PM" or "15:04").
    before = time.time()
    shown = prefix.run(["cmd", "/c", "echo %TIME%"]).stdout.decode(errors="replace")
    after = time.time()
    match = re.search(r"(\d{1,2}):(\d{2})(?::\d{2})?(?:[.,]\d+)?\s*([AP]M)?", shown)
    assert match, shown
    hour, minute, half = int(match.group(1)), int(match.group(2)), match.group(3)
    if half:
        hour = hour % 12 + (12 if half == "PM" else 0)
    expected = {qh.local_stamp(t)[-5:] for t in (before, after)}
    assert f"{hour:02d}:{minute:02d}" in expected, (qh.PROGRAM_TZ, shown)


def test_wine_gets_none_of_the_developers_display_locale_or_wine_settings(monkeypatch):
    for name, value in {"DISPLAY": ":0", "XAUTHORITY": "/home/dev/.Xauthority",
                        "WINEPREFIX": "/home/dev/.wine", "WINESERVER": "/opt/wine/wineserver",
                        "WINEFSYNC": "1", "LANG": "de_DE.UTF-8", "LC_TIME": "de_DE.UTF-8",
                        "TZ": "Europe/Berlin"}.items():
        monkeypatch.setenv(name, value)
    env = qh.wine_env("/tmp/test-prefix", ":42")
    assert (env["DISPLAY"], env["WINEPREFIX"]) == (":42", "/tmp/test-prefix")
    assert (env["LC_ALL"], env["TZ"]) == (qh.DEFAULT_LC_ALL, qh.PROGRAM_TZ)
    for name in ("XAUTHORITY", "WINESERVER", "WINEFSYNC", "LANG", "LC_TIME"):
        assert name not in env


@pytest.mark.parametrize("output, passes", [
    ("line 12: value\r\n11 passed, 0 failed\r\n", True),
    ("0 passed, 0 failed\n", False),
    ("9 passed, 1 failed\n", False),
    ("started, then crashed\n", False),
])
def test_a_windows_built_test_passes_only_when_cases_ran_and_none_failed(output, passes):
    if passes:
        assert qh.assert_cases_ran(output) == 11
    else:
        with pytest.raises(AssertionError):
            qh.assert_cases_ran(output)
