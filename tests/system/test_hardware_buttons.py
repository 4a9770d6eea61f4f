"""The hardware buttons and the volume under Wine, with the simulated TZK0001 device
installed in each test's prefix: the program reading presses, launching slots and the
media player, stepping the volume and telling the device."""

import time

import pytest

import device_helpers as dh
import quilpad_harness as qh

WM_QUERYENDSESSION = 0x0011
ID_TRAY_EXIT = 32774
OPEN_FAILED = "Open driver TZK0001 fail !"

SLOT0 = r"C:\slots\zero.exe"
SLOT1 = r"C:\slots\one.exe"
SLOT2 = r"C:\slots\two.exe"
SLOT3 = r"C:\slots\three.exe"


@pytest.fixture
def device(prefix):
    dh.install_driver(prefix)
    return dh.Device(prefix)


@pytest.fixture
def player(prefix):
    """A stand-in media player at the first place the program looks."""
    return dh.install_touch_file(prefix, dh.MEDIA_PLAYER_WIN)


def start(quilpad, probe, device, extra_env=None):
    run = quilpad.start(extra_env=extra_env)
    probe.wait_for_bar(timeout=20)
    device.wait_for_log(lambda log: log == [129], 10, "the start-up command 129")
    return run


def assign_slots(prefix, *files):
    for path in files:
        if path:
            dh.install_touch_file(prefix, path)
    dh.set_slots(prefix, list(files) + [""] * (4 - len(files)))


# ---- the program: start-up and log-off ---------------------------------------------------

def test_start_up_sends_129_once(quilpad, probe, device, prefix):
    assign_slots(prefix, "", "", "", SLOT3)
    start(quilpad, probe, device)
    # A press acted on proves the worker has been polling: still one 129.
    device.press(132)
    dh.wait_for_runs(prefix, SLOT3, 1)
    assert device.log() == [129]


def test_query_end_session_sends_130_each_time(quilpad, probe, device):
    start(quilpad, probe, device)
    probe.send(WM_QUERYENDSESSION)
    device.wait_for_log(lambda log: log == [129, 130], 10, "130 after the first query")
    probe.send(WM_QUERYENDSESSION)
    device.wait_for_log(lambda log: log == [129, 130, 130], 10, "130 after the second query")


def test_a_missing_device_is_reported_and_the_program_ends_with_status_1(quilpad, probe,
                                                                          prefix):
    dh.remove_device(prefix)
    run = quilpad.start()
    box = probe.wait_for_message_box(timeout=20)
    assert box["text"] == OPEN_FAILED
    assert box["title"] == "Quilpad"
    assert [button["id"] for button in box["buttons"]] == [1]
    bar = probe.find()
    assert bar is None or not bar["visible"]
    probe.press_message_box(1)
    assert run.wait(20, "the program to end after the message") == 1


def test_exit_stops_the_worker_and_the_program_ends(quilpad, probe, device, prefix):
    assign_slots(prefix, "", "", "", SLOT3)
    run = start(quilpad, probe, device)
    probe.command(ID_TRAY_EXIT)
    assert run.wait(10, "the program to end after Exit") == 0
    device.press(132)
    assert device.state()["pending"] == 1, "something still reads the device"
    assert dh.runs(prefix, SLOT3) == []


# ---- the program: launches ---------------------------------------------------------------

def test_code_132_launches_slot_3_hidden_without_parameters(quilpad, probe, device, prefix):
    assign_slots(prefix, SLOT0, SLOT1, SLOT2, SLOT3)
    start(quilpad, probe, device)
    device.press(132)
    assert dh.wait_for_runs(prefix, SLOT3, 1) == [{"show": dh.SW_HIDE, "args": ""}]
    for other in (SLOT0, SLOT1, SLOT2):
        assert dh.runs(prefix, other) == []


def test_code_132_with_slot_3_empty_does_nothing(quilpad, probe, device, prefix, player):
    assign_slots(prefix, SLOT0, SLOT1, SLOT2, "")
    start(quilpad, probe, device)
    # The media button that follows is acted on a poll later: once its launches are
    # there, the 132 before it has had its turn.
    device.press(132, 129)
    dh.wait_for_runs(prefix, player, 1)
    dh.wait_for_runs(prefix, SLOT0, 1)
    for other in (SLOT1, SLOT2):
        assert dh.runs(prefix, other) == []
    assert len(dh.runs(prefix, SLOT0)) == 1
    assert device.log() == [129]


def test_code_129_launches_slot_0_hidden_and_then_the_player_shown(quilpad, probe, device,
                                                                     prefix, player):
    assign_slots(prefix, SLOT0, SLOT1, SLOT2, SLOT3)
    dh.set_player_parameter(prefix, "/play here")
    start(quilpad, probe, device)
    device.press(129)
    assert dh.wait_for_runs(prefix, SLOT0, 1) == [{"show": dh.SW_HIDE, "args": ""}]
    assert dh.wait_for_runs(prefix, player, 1) == [{"show": dh.SW_SHOW, "args": "/play here"}]
    for other in (SLOT1, SLOT2, SLOT3):
        assert dh.runs(prefix, other) == []


def test_code_129_with_slot_0_empty_starts_only_the_player(quilpad, probe, device, prefix,
                                                           player):
    assign_slots(prefix, "", SLOT1, SLOT2, SLOT3)
    dh.set_player_parameter(prefix, "")
    start(quilpad, probe, device)
    device.press(129)
    assert dh.wait_for_runs(prefix, player, 1) == [{"show": dh.SW_SHOW, "args": ""}]
    for other in (SLOT1, SLOT2, SLOT3):
        assert dh.runs(prefix, other) == []


def test_codes_without_a_meaning_do_nothing(quilpad, probe, device, prefix, player):
    assign_slots(prefix, SLOT0, SLOT1, SLOT2, SLOT3)
    start(quilpad, probe, device)
    device.press(0, 128, 133, 1, 25, 0xFFFFFFFF, 132)
    dh.wait_for_runs(prefix, SLOT3, 1)
    assert device.state()["pending"] == 0
    for other in (SLOT0, SLOT1, SLOT2, player):
        assert dh.runs(prefix, other) == []
    assert len(dh.runs(prefix, SLOT3)) == 1
    assert device.log() == [129]


def test_the_same_code_twice_acts_twice(quilpad, probe, device, prefix):
    assign_slots(prefix, "", "", "", SLOT3)
    start(quilpad, probe, device)
    device.press(132, 132)
    assert len(dh.wait_for_runs(prefix, SLOT3, 2)) == 2


# ---- the program: volume -----------------------------------------------------------------

def test_without_a_sound_device_the_volume_buttons_do_nothing(quilpad, probe, device, prefix):
    assign_slots(prefix, "", "", "", SLOT3)
    run = start(quilpad, probe, device)
    device.press(130, 131, 130, 132)
    dh.wait_for_runs(prefix, SLOT3, 1)
    assert device.log() == [129]
    assert device.state()["volume"] is None
    assert run.running()


def test_volume_steps_reach_the_device_as_levels(quilpad, probe, device, prefix):
    start(quilpad, probe, device, extra_env=dh.null_sound_env(prefix.work_dir))
    device.press(131, 131, 131)
    device.wait_for_log(lambda log: len(log) >= 4, 10, "three levels")
    assert device.log()[:4] == [129, 24, 23, 22]
    device.press(130)
    device.wait_for_log(lambda log: len(log) >= 5, 10, "the level of a step up")
    assert device.log()[:5] == [129, 24, 23, 22, 23]
    assert device.state()["volume"] == 23


def test_one_130_follows_five_seconds_after_the_last_of_two_presses(quilpad, probe, device,
                                                                    prefix):
    start(quilpad, probe, device, extra_env=dh.null_sound_env(prefix.work_dir))
    device.press(131)
    device.wait_for_log(lambda log: log == [129, 24], 10, "the first level")
    first = time.monotonic()
    # Two seconds later, the second press: no 130 may come in between.
    qh.wait_until(lambda: dh.elapsed_since(first) >= 2.0 and device.log() == [129, 24], 5,
                  "two quiet seconds after the first press")
    device.press(131)
    device.wait_for_log(lambda log: log[:3] == [129, 24, 23], 10, "the second level")
    second = time.monotonic()
    log = device.wait_for_log(lambda log: len(log) > 3, 10, "the end-of-change notice")
    settled = time.monotonic()
    assert log == [129, 24, 23, 130]
    assert 4.5 <= settled - second <= 6.5, settled - second
    assert settled - first >= 6.5, "the first press's timer was not restarted"
    # A later press proves nothing else was pending: its level comes right after the 130.
    device.press(130)
    assert device.wait_for_log(lambda log: len(log) > 4, 10, "the next level") == \
        [129, 24, 23, 130, 24]
