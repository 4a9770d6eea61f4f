"""The simulated TZK0001 device and its control tool tzkctl on their own, without the
program. The tests share one prefix: each starts from a cleared device, installed again
when a test before it removed it."""

import pytest

import device_helpers as dh


@pytest.fixture
def device(shared_prefix):
    dh.install_driver(shared_prefix)
    device = dh.Device(shared_prefix)
    device.clear()
    return device


def test_presses_come_out_one_per_read_in_order_then_zero(device):
    device.press(129, 132, 131)
    assert device.state()["pending"] == 3
    assert [device.read_button() for _ in range(4)] == [129, 132, 131, 0]
    assert device.state()["pending"] == 0


def test_commands_are_logged_and_set_led_and_volume(device):
    assert device.state() == {"led": 0, "volume": None, "power-reply": 0, "pending": 0,
                              "commands": 0}
    assert [device.command(c) for c in (1, 22, 129, 0, 130)] == [0, 0, 0, 0, 0]
    assert device.log() == [1, 22, 129, 0, 130]
    state = device.state()
    assert (state["led"], state["volume"], state["commands"]) == (0, 0, 5)
    device.command(1)
    assert (device.state()["led"], device.state()["volume"]) == (1, 1)
    device.command(25)
    assert (device.state()["led"], device.state()["volume"]) == (1, 25)


@pytest.mark.parametrize("reply", [0, 1, 3, 4, 5, 0xFFFFFFFF])
def test_command_128_answers_the_power_reply(device, reply):
    device.power_reply(reply)
    assert device.command(128) == reply
    assert device.command(129) == 0
    assert device.state()["power-reply"] == reply


def test_clear_empties_queue_and_log_and_resets_the_state(device):
    device.press(132, 132)
    device.power_reply(4)
    device.command(1)
    device.clear()
    assert device.state() == {"led": 0, "volume": None, "power-reply": 0, "pending": 0,
                              "commands": 0}
    assert device.log() == []
    assert device.read_button() == 0
    assert device.command(128) == 0


def test_requests_with_bad_buffers_fail_and_change_nothing(device):
    device.press(130)
    cases = [
        (dh.READ_BUTTON, None, 3),                      # output too short
        (dh.READ_BUTTON, None, 0),                      # no output at all
        (dh.COMMAND, b"\x01\x00\x00", 4),               # input too short
        (dh.COMMAND, None, 4),                          # no input
        (dh.COMMAND, b"\x01\x00\x00\x00", 2),           # output too short
        (0x222008, None, 4),                            # a control the device does not have
    ]
    for code, data, out_length in cases:
        ok, error, _, out = device.ioctl(code, data, out_length)
        assert not ok and error != 0, (hex(code), data, out_length)
        assert out == b"\xee" * out_length, "a refused request wrote into the caller's buffer"
    assert device.log() == []
    assert device.state()["pending"] == 1
    assert device.read_button() == 130


def test_a_larger_output_buffer_gets_four_bytes(device):
    device.press(131)
    ok, _, returned, out = device.ioctl(dh.READ_BUTTON, None, 8)
    assert ok and returned == 4
    assert out == (131).to_bytes(4, "little") + b"\xee" * 4


def test_the_press_queue_refuses_the_65th_press_with_a_clear_error(device):
    device.press(*[129] * 64)
    rc, _, err = device.tzkctl("press", 132)
    assert rc == 1 and "press" in err
    assert device.state()["pending"] == 64


def test_tzkctl_says_when_the_device_is_absent(shared_prefix):
    dh.remove_device(shared_prefix)
    device = dh.Device(shared_prefix)
    for args in (["state"], ["log"], ["press", "129"], ["power-reply", "4"], ["clear"]):
        rc, out, err = device.tzkctl(*args)
        assert rc == 1 and out == "", args
        assert "absent" in err and "tzk0001" in err, err


def test_the_device_goes_with_its_driver_and_comes_back_fresh(device, shared_prefix):
    device.press(132)
    device.command(1)
    dh.remove_device(shared_prefix)
    rc, _, err = device.tzkctl("state")
    assert rc == 1 and "absent" in err
    dh.install_driver(shared_prefix)
    assert device.state() == {"led": 0, "volume": None, "power-reply": 0, "pending": 0,
                              "commands": 0}


@pytest.mark.parametrize("args", [[], ["press"], ["press", "x"], ["press", "-1"],
                                  ["press", "4294967296"], ["power-reply"], ["log", "1"],
                                  ["bogus"]])
def test_tzkctl_refuses_bad_arguments(device, args):
    rc, _, err = device.tzkctl(*args)
    assert rc == 2 and err
    assert device.state()["pending"] == 0
