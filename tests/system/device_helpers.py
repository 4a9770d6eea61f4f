"""The simulated TZK0001 device in a test's prefix: installing and starting its driver,
playing the hardware with tzkctl, raw I/O controls with device_ioctl, launch targets that
leave files behind, and the ALSA null device that gives Wine a working mixer."""

import re
import shutil
import time

import quilpad_harness as qh
from quilpad_keys import MACHINE_KEY

DRIVER_SYS = qh.WIN_BUILD / "bin" / "tzk0001.sys"
TZKCTL_EXE = qh.WIN_BUILD / "bin" / "tzkctl.exe"
DEVICE_IOCTL_EXE = qh.WIN_BUILD / "testbin" / "device_ioctl.exe"
TOUCH_FILE_EXE = qh.WIN_BUILD / "testbin" / "touch_file.exe"

DRIVER_WIN = r"C:\windows\system32\drivers\tzk0001.sys"
MEDIA_PLAYER_WIN = r"C:\Program Files\Windows Media Player\wmplayer.exe"

READ_BUTTON = 0x222000
COMMAND = 0x222004

SW_HIDE = 0
SW_SHOW = 5


def _require(path):
    if not path.is_file():
        raise qh.HarnessError(f"{path} is missing: build first (scripts/build)")
    return path


def device_present(prefix):
    return Device(prefix).tzkctl("state")[0] == 0


def install_driver(prefix):
    """Copies tzk0001.sys into the prefix, registers it as a kernel service and starts it;
    nothing when the device is already there. The driver lives in Wine's driver host as
    long as the prefix's wineserver does."""
    if device_present(prefix):
        return
    target = prefix.unix_path(DRIVER_WIN)
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy(_require(DRIVER_SYS), target)
    # Fails harmlessly when the service is registered already; the start below decides.
    prefix.run(["sc", "create", "tzk0001", "binPath=", DRIVER_WIN, "type=", "kernel"])
    started = prefix.run(["net", "start", "tzk0001"])
    if started.returncode != 0 or not device_present(prefix):
        raise qh.HarnessError(f"net start tzk0001 failed: {started.stdout!r} {started.stderr!r}")


def remove_device(prefix):
    """Stops the driver if it runs, so that the device is absent."""
    if device_present(prefix):
        prefix.run(["net", "stop", "tzk0001"])
    if device_present(prefix):
        raise qh.HarnessError("the tzk0001 driver would not stop")


class Device:
    """The device seen through tzkctl."""

    def __init__(self, prefix):
        self.prefix = prefix

    def tzkctl(self, *args):
        """(exit status, stdout, stderr) as text."""
        result = qh.run_tool(self.prefix, [_require(TZKCTL_EXE), *args])
        return result.returncode, result.stdout.decode(), result.stderr.decode()

    def _ok(self, *args):
        rc, out, err = self.tzkctl(*args)
        if rc != 0:
            raise qh.HarnessError(f"tzkctl {' '.join(map(str, args))} gave {rc}: {err}")
        return out

    def press(self, *codes):
        self._ok("press", *codes)

    def log(self):
        return [int(line) for line in self._ok("log").split()]

    def state(self):
        """{"led": int, "volume": int or None, "power-reply": int, "pending": int,
        "commands": int}."""
        state = {}
        for line in self._ok("state").splitlines():
            name, value = line.split()
            state[name] = None if value == "none" else int(value)
        return state

    def power_reply(self, value):
        self._ok("power-reply", value)

    def clear(self):
        self._ok("clear")

    def wait_for_log(self, predicate, timeout, what):
        """Polls the log until predicate(log) holds; returns that log."""
        return qh.wait_until(lambda: (lambda log: log if predicate(log) else None)(self.log()),
                             timeout, what)

    def wait_until_read(self, timeout=10):
        """Waits until every queued press has been read by the program."""
        qh.wait_until(lambda: self.state()["pending"] == 0, timeout, "the presses to be read")

    def ioctl(self, code, data=None, out_length=0):
        """One raw DeviceIoControl: data is the input bytes (None: no input buffer).
        Returns (ok, error, returned, output bytes)."""
        args = [_require(DEVICE_IOCTL_EXE), hex(code), "-" if data is None else data.hex(),
                out_length]
        result = qh.run_tool(self.prefix, args)
        text = result.stdout.decode().strip()
        match = re.fullmatch(r"ok=(\d) error=(\d+) returned=(\d+) output=([0-9a-f]*)", text)
        if result.returncode != 0 or not match:
            raise qh.HarnessError(f"device_ioctl {args[1:]} gave {result.returncode}: {text!r}")
        return (match.group(1) == "1", int(match.group(2)), int(match.group(3)),
                bytes.fromhex(match.group(4)))

    def read_button(self):
        ok, error, _, out = self.ioctl(READ_BUTTON, None, 4)
        assert ok, f"reading a button failed with error {error}"
        return int.from_bytes(out, "little")

    def command(self, value):
        ok, error, _, out = self.ioctl(COMMAND, value.to_bytes(4, "little"), 4)
        assert ok, f"command {value} failed with error {error}"
        return int.from_bytes(out, "little")


# ---- launch targets ----------------------------------------------------------------------

def install_touch_file(prefix, windows_path):
    """A copy of touch_file.exe at windows_path (replacing what is there)."""
    target = prefix.unix_path(windows_path)
    target.parent.mkdir(parents=True, exist_ok=True)
    shutil.copy(_require(TOUCH_FILE_EXE), target)
    return windows_path


def runs(prefix, windows_path):
    """What each run of a touch_file copy left: [{"show": int, "args": str}], in run order."""
    program = prefix.unix_path(windows_path)
    found = []
    for path in program.parent.glob(program.name + ".run*"):
        number = int(path.name[len(program.name) + 4:])
        fields = dict(line.split("=", 1) for line in path.read_text().splitlines() if "=" in line)
        if "args" not in fields:  # still being written
            continue
        found.append((number, {"show": int(fields["show"]), "args": fields["args"]}))
    return [run for _, run in sorted(found, key=lambda item: item[0])]


def wait_for_runs(prefix, windows_path, count, timeout=10):
    return qh.wait_until(lambda: (lambda r: r if len(r) >= count else None)(runs(prefix, windows_path)),
                         timeout, f"{count} run(s) of {windows_path}")


def set_slots(prefix, files):
    """ProgramFile0..3 as the program loads them at start."""
    prefix.reg_set_values(MACHINE_KEY, {f"ProgramFile{slot}": ("REG_SZ", path)
                                        for slot, path in enumerate(files)})


def set_player_parameter(prefix, text):
    """The media player's parameter: stored the same under Param0..Param4."""
    prefix.reg_set_values(MACHINE_KEY, {f"Param{n}": ("REG_SZ", text) for n in range(5)})


# ---- sound -------------------------------------------------------------------------------

def null_sound_env(work_dir):
    """Environment for a program that should see a working mixer: ALSA pointed at a null
    device."""
    config = work_dir / "asound_null.conf"
    config.write_text("</usr/share/alsa/alsa.conf>\npcm.!default { type null }\n")
    return {"ALSA_CONFIG_PATH": str(config)}


def elapsed_since(start):
    return time.monotonic() - start
