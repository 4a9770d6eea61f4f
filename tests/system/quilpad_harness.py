"""Runs Quilpad.exe under Wine on a private Xvfb for the system tests.

Each test gets a prefix of its own (a copy of a template prefix made once per Wine version),
with its own wineserver; the probe program reads the program's windows from outside; the
registry is read and written with Wine's `reg`.
"""

import fcntl
import json
import os
import queue
import re
import select
import shutil
import subprocess
import threading
import time
from pathlib import Path

import wine_arch
from quilpad_keys import STATUS_STRIP, WM_CLOSE

REPO_ROOT = Path(__file__).resolve().parents[2]
# The build under test and its Wine: QP_ARCH's choice, else the 32-bit program where the host
# runs it, else the 64-bit one. On a host that runs neither, the paths are still known and
# wine_unavailable() says why.
try:
    ARCH = wine_arch.choose()
    _NO_WINE = None
except wine_arch.NoWine as error:
    ARCH = wine_arch.ARCHES.get(os.environ.get("QP_ARCH", ""), wine_arch.ARCHES["x86"])
    _NO_WINE = str(error)
# QP_WIN_BUILD points the tests at another Windows build tree (bin/ and testbin/).
WIN_BUILD = Path(os.environ.get("QP_WIN_BUILD", ARCH.build_dir))
PROGRAM_DIR = WIN_BUILD / "bin"
PROGRAM_EXE = PROGRAM_DIR / "Quilpad.exe"
PROBE_EXE = WIN_BUILD / "testbin" / "qpprobe.exe"
TEMPLATE_ROOT = REPO_ROOT / "build" / "test-prefix-template"
# Bump when the template recipe below changes, so that old templates are not reused.
TEMPLATE_RECIPE = 2
# A probe or tool answers in well under a second on a warm prefix; one that takes longer than
# this is stuck on something of the harness's making, not the program's.
TOOL_DEADLINE = 10

INSTALL_DIR_WIN = r"C:\Program Files\Quilpad"
DEFAULT_LC_ALL = "C.UTF-8"
# `reg` writes non-ASCII text in the console's OEM code page, which is 437 under C.UTF-8;
# characters outside it come back as '?'.
REG_LC_ALL = "C.UTF-8"
REG_OUTPUT_ENCODING = "cp437"

# Per-test costs, gathered for the session summary.
TIMINGS = {}


def record_timing(name, seconds):
    TIMINGS.setdefault(name, []).append(seconds)


class WaitTimeout(AssertionError):
    pass


class HarnessError(RuntimeError):
    pass


def wait_until(predicate, timeout, what, interval=0.05):
    """Polls predicate until it returns a true value, which is returned; raises WaitTimeout
    naming `what` and the last value once `timeout` seconds have passed."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise WaitTimeout(f"gave up after {timeout:g} s waiting for {what} (last: {value!r})")
        time.sleep(interval)


_CASES_LINE = re.compile(r"^(\d+) passed, (\d+) failed\s*$", re.M)


def assert_cases_ran(output):
    """A Windows-built test closes with "N passed, N failed": some cases must have run and
    none failed."""
    counts = _CASES_LINE.findall(output)
    assert counts, f"no closing 'N passed, N failed' line in:\n{output}"
    passed, failed = map(int, counts[-1])
    assert failed == 0, f"{failed} case(s) failed:\n{output}"
    assert passed > 0, f"no case ran:\n{output}"
    return passed


def _quiet(args, env, timeout, cwd=None):
    """Runs a command with no pipes at all: Wine's helper processes inherit them and would
    keep a captured run waiting until the wineserver ends."""
    return subprocess.run(args, env=env, cwd=cwd, timeout=timeout, stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode


# ---- display -------------------------------------------------------------------------------

class Xvfb:
    """A private X server; Xvfb picks a free display number itself (-displayfd)."""

    def __init__(self, log_path, geometry="1280x1024x24"):
        self.log_path = Path(log_path)
        self.geometry = geometry
        self.display = None
        self._proc = None

    def start(self, timeout=20):
        read_end, write_end = os.pipe()
        with open(self.log_path, "wb") as log:
            self._proc = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.geometry,
                 "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdin=subprocess.DEVNULL, stdout=log,
                stderr=subprocess.STDOUT, start_new_session=True)
        os.close(write_end)
        try:
            number = b""
            deadline = time.monotonic() + timeout
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise HarnessError(f"Xvfb did not start within {timeout} s; see {self.log_path}")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise HarnessError(f"Xvfb exited at start; see {self.log_path}")
                number += chunk
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()
        return self

    def screenshot(self, path):
        return xvfb_screenshot(self.display, path)

    def stop(self):
        if self._proc and self._proc.poll() is None:
            self._proc.terminate()
            try:
                self._proc.wait(10)
            except subprocess.TimeoutExpired:
                self._proc.kill()
                self._proc.wait()


# ---- time zone ----------------------------------------------------------------------------

# The zone the program runs in: the developer's TZ when set, otherwise UTC, never the
# machine's /etc/localtime. The test process takes the same zone (below), Wine gets it in its
# environment, and the private dovecot keeps UTC as a server of its own would.
PROGRAM_TZ = os.environ.get("TZ") or "UTC"
os.environ["TZ"] = PROGRAM_TZ
time.tzset()

STAMP_FORMAT = "%Y/%m/%d %H:%M"


# How a test computes a time stamp (LastNewTimeStamp, a since-stamp, a time the program
# shows): always with these two, or with time.localtime/time.mktime, which this module has
# set to the program's zone. Never write an epoch as a constant next to a stamp text, and
# never assume UTC: the suite also runs with TZ=Asia/Kolkata (a half-hour offset) and
# TZ=America/New_York. Mark a test whose outcome depends on stamps with
# @pytest.mark.stamps (or pytestmark = pytest.mark.stamps for a module) so that CI's extra
# run in another zone includes it.
def local_stamp(epoch):
    """The stamp text ("YYYY/MM/DD HH:MM") of an instant in the program's zone."""
    return time.strftime(STAMP_FORMAT, time.localtime(epoch))


def stamp_epoch(stamp):
    """The instant (seconds since 1970 UTC) of a stamp text read in the program's zone."""
    return int(time.mktime(time.strptime(stamp, STAMP_FORMAT)))


def minute_ago(seconds):
    """The start of the current minute, less the given seconds."""
    now = int(time.time())
    return now - now % 60 - seconds


# ---- Wine environment --------------------------------------------------------------------

# The developer's own display, locale and Wine settings never reach the tested programs.
_INHERITED_BUT_OURS = {"DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "LANG", "LANGUAGE", "TZ"}


def wine_env(prefix, display, lc_all=DEFAULT_LC_ALL, extra=None):
    env = {k: v for k, v in os.environ.items()
           if k not in _INHERITED_BUT_OURS and not k.startswith(("LC_", "WINE"))}
    # winemenubuilder would write menu entries and file associations into the user's home.
    env.update(ARCH.env())
    env.update(DISPLAY=display, WINEPREFIX=str(prefix),
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", WINEDEBUG="fixme-all",
               LC_ALL=lc_all, TZ=PROGRAM_TZ)
    env.update(extra or {})
    return env


def wine(*args):
    """The command line that runs a Windows program (or Wine's own) with the build's Wine."""
    return [*ARCH.command, *map(str, args)]


def wine_unavailable():
    """Why the chosen build's Wine cannot run on this host, or None when it can."""
    return _NO_WINE


def wine_version():
    return subprocess.run(wine("--version"), capture_output=True, text=True, check=True,
                          stdin=subprocess.DEVNULL, timeout=30).stdout.strip()


def template_prefix(display):
    """The session's template prefix: made once per Wine version, under a lock so that
    concurrent test sessions share one."""
    key = (re.sub(r"[^A-Za-z0-9.+-]+", "_", wine_version())
           + f"-{ARCH.winearch}-r{TEMPLATE_RECIPE}")
    target = TEMPLATE_ROOT / key
    TEMPLATE_ROOT.mkdir(parents=True, exist_ok=True)
    with open(TEMPLATE_ROOT / ".lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if target.is_dir():
            return target
        # Under the lock, anything else here is an old or half-made template.
        for stale in TEMPLATE_ROOT.iterdir():
            if stale.is_dir():
                shutil.rmtree(stale, ignore_errors=True)
        work = TEMPLATE_ROOT / f"{key}.making-{os.getpid()}"
        env = wine_env(work, display)
        started = time.monotonic()
        if _quiet(wine("wineboot.exe", "-i"), env, timeout=300) != 0:
            raise HarnessError(f"wineboot -i failed in {work}")
        # Without a window manager every hidden window or ended dialog would wait 2 s.
        if _quiet(wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed",
                       "/t", "REG_SZ", "/d", "N", "/f"), env, timeout=60) != 0:
            raise HarnessError("could not set Managed=N in the template prefix")
        # The server writes the registry files when it exits.
        _quiet(["wineserver", "-w"], env, timeout=120)
        record_timing("template prefix made", time.monotonic() - started)
        work.rename(target)
        return target


class WineProcess:
    """A Windows program started with `wine`; its exit code is the Windows exit code."""

    def __init__(self, popen, log_path, started):
        self.popen = popen
        self.log_path = Path(log_path)
        self.started = started

    @property
    def exit_code(self):
        return self.popen.poll()

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout, what="the program to exit"):
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            raise WaitTimeout(f"gave up after {timeout:g} s waiting for {what}") from None

    def stop(self):
        if self.popen.poll() is None:
            self.popen.terminate()
            try:
                self.popen.wait(5)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait()

    def log(self):
        return self.log_path.read_text(errors="replace")


class Conversation:
    """A program under Wine that answers line by line: asked many times, read a line at a
    time and never to its end (a Wine process it started may hold the pipe). Its errors go
    to a log in the test's folder."""

    def __init__(self, prefix, args, log_path, lc_all, extra_env):
        self.args = args
        self.log_path = log_path
        with open(log_path, "w") as log:
            self._process = prefix.popen(args, lc_all, extra_env, stdin=subprocess.PIPE,
                                         stdout=subprocess.PIPE, stderr=log,
                                         encoding="utf-8", errors="replace", bufsize=1)
        self._lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self._process.stdout:
            self._lines.put(line.rstrip("\r\n"))
        self._lines.put(None)

    def alive(self):
        return self._process.poll() is None

    def say(self, line):
        self._process.stdin.write(line + "\n")
        self._process.stdin.flush()

    def hear(self, timeout):
        """The next line; WaitTimeout past timeout seconds, HarnessError when it ended."""
        try:
            line = self._lines.get(timeout=timeout)
        except queue.Empty:
            raise WaitTimeout(f"{Path(str(self.args[0])).name} gave no answer within "
                              f"{timeout:g} s; see {self.log_path}") from None
        if line is None:
            raise HarnessError(f"{Path(str(self.args[0])).name} ended; see {self.log_path}")
        return line

    def close(self, farewell=None):
        if self.alive():
            try:
                if farewell:
                    self.say(farewell)
                self._process.stdin.close()
                self._process.wait(10)
            except (OSError, subprocess.TimeoutExpired):
                self._process.kill()
                self._process.wait()


class WinePrefix:
    """One test's prefix with its own wineserver."""

    def __init__(self, path, display, work_dir):
        self.path = Path(path)
        self.display = display
        self.work_dir = Path(work_dir)
        self.processes = []
        self.conversations = []
        self._server_started = False
        self._runs = 0
        self._imports = 0

    @classmethod
    def create(cls, template, path, display, work_dir):
        prefix = cls(path, display, work_dir)
        try:
            prefix._set_up(template)
        except BaseException:
            prefix.close()
            raise
        return prefix

    def _set_up(self, template):
        t0 = time.monotonic()
        subprocess.run(["cp", "-a", str(template), str(self.path)], check=True,
                       stdin=subprocess.DEVNULL, timeout=120)
        t1 = time.monotonic()
        rc = _quiet(["wineserver", "-p"], self.env(), timeout=30)
        if rc != 0:
            raise HarnessError(f"wineserver -p gave {rc} for the fresh prefix {self.path}")
        self._server_started = True
        t2 = time.monotonic()
        # Wine's long-lived processes keep the standard handles of the program that started
        # them for the prefix's life: the services start with the first program, the desktop
        # process (which also holds the notification area) with the first one that looks at
        # windows. Both start here, with no pipes of ours to hold.
        if _quiet(wine("cmd", "/c", "exit"), self.env(), timeout=120) != 0:
            raise HarnessError("warming up the wineserver failed")
        if PROBE_EXE.is_file():
            _quiet(wine(PROBE_EXE, "find"), self.env(), timeout=120)
        t3 = time.monotonic()
        record_timing("prefix copy", t1 - t0)
        record_timing("wineserver start", t2 - t1)
        record_timing("wineserver warm-up", t3 - t2)

    def env(self, lc_all=DEFAULT_LC_ALL, extra=None):
        return wine_env(self.path, self.display, lc_all, extra)

    @property
    def drive_c(self):
        return self.path / "drive_c"

    def unix_path(self, windows_path):
        """C:\\... inside the prefix, Z:\\... on the host."""
        drive, _, rest = windows_path.partition(":")
        parts = [p for p in rest.replace("/", "\\").split("\\") if p]
        drive = drive.upper()
        if drive == "C":
            return self.drive_c.joinpath(*parts)
        if drive == "Z":
            return Path("/").joinpath(*parts)
        raise ValueError(f"no mapping for {windows_path}")

    def run(self, args, timeout=60, lc_all=DEFAULT_LC_ALL, extra_env=None, cwd=None):
        """Runs `wine ARGS...` to completion, capturing stdout and stderr as bytes.

        The output goes to files in the test's folder, read once the process has exited: a
        Wine process it started may hold its standard handles for much longer, so the end of
        a pipe would say nothing about the program's end. Past `timeout` seconds the run is
        ended and WaitTimeout names it."""
        self._runs += 1
        out_path = self.work_dir / f"run-{self._runs}.out"
        err_path = self.work_dir / f"run-{self._runs}.err"
        with open(out_path, "w+b") as out, open(err_path, "w+b") as err:
            popen = subprocess.Popen(wine(*args), env=self.env(lc_all, extra_env), cwd=cwd,
                                     stdin=subprocess.DEVNULL, stdout=out, stderr=err)
            try:
                returncode = popen.wait(timeout)
            except subprocess.TimeoutExpired:
                popen.kill()
                popen.wait()
                raise WaitTimeout(f"`wine {' '.join(map(str, args))}` had not exited after "
                                  f"{timeout:g} s (its output: {out_path})") from None
            out.seek(0)
            err.seek(0)
            completed = subprocess.CompletedProcess(args, returncode, out.read(), err.read())
        out_path.unlink()
        err_path.unlink()
        return completed

    def popen(self, args, lc_all=DEFAULT_LC_ALL, extra_env=None, **options):
        """Starts `wine ARGS...` with the given subprocess options. The caller ends it."""
        return subprocess.Popen(wine(*args), env=self.env(lc_all, extra_env), **options)

    def converse(self, args, log_name, lc_all=DEFAULT_LC_ALL, extra_env=None):
        """A Conversation with `wine ARGS...`, ended at teardown if still going."""
        conversation = Conversation(self, args, self.work_dir / log_name, lc_all, extra_env)
        self.conversations.append(conversation)
        return conversation

    def start(self, args, cwd, log_name, lc_all=DEFAULT_LC_ALL, extra_env=None):
        """Starts `wine ARGS...` in the background, its output going to log_name in the
        test's directory. It is ended at teardown if still running."""
        log_path = self.work_dir / log_name
        with open(log_path, "wb") as log:
            popen = subprocess.Popen(wine(*args), env=self.env(lc_all, extra_env),
                                     cwd=cwd, stdin=subprocess.DEVNULL, stdout=log,
                                     stderr=subprocess.STDOUT)
        process = WineProcess(popen, log_path, time.monotonic())
        self.processes.append(process)
        return process

    def screenshot(self, name="screen.png"):
        return xvfb_screenshot(self.display, self.work_dir / name)

    def xdotool(self, *args):
        """Mouse and keyboard on this prefix's display, as a user would use them."""
        subprocess.run(["xdotool", *map(str, args)],
                       env={"DISPLAY": self.display, "PATH": "/usr/bin:/bin"}, check=True,
                       timeout=30, stdin=subprocess.DEVNULL, capture_output=True)

    # -- registry over Wine's reg ------------------------------------------------------

    def _reg_run(self, *args):
        return self.run(["reg", *args, *ARCH.reg_view], timeout=60, lc_all=REG_LC_ALL)

    def _reg(self, *args):
        result = self._reg_run(*args)
        return result.returncode, result.stdout.decode(REG_OUTPUT_ENCODING)

    def _reg_strict(self, *args):
        """Runs reg for a change that must be made; a failure says what reg and Wine said."""
        result = self._reg_run(*args)
        if result.returncode != 0:
            said = (result.stdout + result.stderr).decode(REG_OUTPUT_ENCODING).strip()
            raise HarnessError(f"reg {' '.join(map(str, args))[:200]} gave {result.returncode}: "
                               f"{said[:2000]}")

    def reg_values(self, key):
        """All values of key as {name: (type, value)}, or None when the key is missing.
        The default value is named ""; Wine lists it as an empty REG_SZ even when unset."""
        rc, out = self._reg("query", key)
        if rc != 0:
            return None
        return parse_reg_query(out)

    def reg_get(self, key, name):
        """The value's data (int, str, bytes or list of str), or None when it or its key
        is missing."""
        rc, out = self._reg("query", key, *(["/ve"] if name == "" else ["/v", name]))
        if rc != 0:
            return None
        values = parse_reg_query(out)
        return values[name][1] if name in values else None

    def reg_type(self, key, name):
        rc, out = self._reg("query", key, *(["/ve"] if name == "" else ["/v", name]))
        values = parse_reg_query(out) if rc == 0 else {}
        return values[name][0] if name in values else None

    def reg_key_exists(self, key):
        return self._reg("query", key)[0] == 0

    def reg_set(self, key, name, reg_type, value):
        """Writes a value: int for REG_DWORD, str for the string types, bytes for REG_BINARY,
        a list of str for REG_MULTI_SZ."""
        if reg_type == "REG_DWORD":
            data = str(int(value) & 0xFFFFFFFF)
        elif reg_type == "REG_BINARY":
            data = bytes(value).hex()
        elif reg_type == "REG_MULTI_SZ":
            data = "\\0".join(value)
        elif reg_type in ("REG_SZ", "REG_EXPAND_SZ"):
            data = value
        else:
            raise ValueError(f"unsupported registry type {reg_type}")
        target = ["/ve"] if name == "" else ["/v", name]
        self._reg_strict("add", key, *target, "/t", reg_type, "/d", data, "/f")

    def reg_set_values(self, key, values):
        """Writes {name: (type, value)} into key with one reg process (a reg process costs
        a few tenths of a second under Wine); the types and values are those of reg_set."""
        self._imports += 1
        reg_file = self.work_dir / f"values-{self._imports}.reg"
        reg_file.write_text(reg_file_text(key, values), encoding="utf-16")
        self.reg_import(reg_file)

    def reg_import(self, reg_file):
        """Imports a .reg file (values too long for a command line) into the view the
        program reads."""
        self._reg_strict("import", "Z:" + str(Path(reg_file).resolve()).replace("/", "\\"))

    def reg_add_key(self, key):
        self._reg_strict("add", key, "/f")

    def reg_delete(self, key, name=None):
        """Deletes a value, or the whole key when name is None. True when something was
        deleted, False when it was not there."""
        target = [] if name is None else (["/ve"] if name == "" else ["/v", name])
        return self._reg("delete", key, *target, "/f")[0] == 0

    # -- teardown ----------------------------------------------------------------------

    def close(self, keep=False):
        """Ends the programs this test started, then this prefix's wineserver, then removes
        the prefix unless keep."""
        started = time.monotonic()
        for conversation in self.conversations:
            conversation.close()
        for process in self.processes:
            process.stop()
        if self._server_started:
            _quiet(["wineserver", "-k"], self.env(), timeout=30)
            try:
                _quiet(["wineserver", "-w"], self.env(), timeout=30)
            except subprocess.TimeoutExpired:
                pass
            self._server_started = False
        if not keep:
            shutil.rmtree(self.path, ignore_errors=True)
        record_timing("prefix teardown", time.monotonic() - started)


_REG_LINE = re.compile(
    r"^    (.*?)    (REG_SZ|REG_EXPAND_SZ|REG_MULTI_SZ|REG_DWORD|REG_QWORD|REG_BINARY|REG_NONE)"
    r"(?:    (.*))?$")


_REG_HIVES = {"HKCU": "HKEY_CURRENT_USER", "HKLM": "HKEY_LOCAL_MACHINE"}
_REG_HEX_TYPES = {"REG_SZ": "hex(1)", "REG_EXPAND_SZ": "hex(2)", "REG_BINARY": "hex",
                  "REG_MULTI_SZ": "hex(7)"}


def reg_file_text(key, values):
    """A .reg file (version 5, to be written as UTF-16) that sets values in key."""
    hive, _, path = key.partition("\\")
    lines = ["Windows Registry Editor Version 5.00", "", f"[{_REG_HIVES.get(hive, hive)}\\{path}]"]
    for name, (reg_type, value) in values.items():
        if reg_type == "REG_DWORD":
            data = f"dword:{int(value) & 0xFFFFFFFF:08x}"
        elif reg_type not in _REG_HEX_TYPES:
            raise ValueError(f"unsupported registry type {reg_type}")
        elif reg_type == "REG_SZ" and value.isprintable():
            data = _reg_quoted(value)
        else:
            raw = bytes(value) if reg_type == "REG_BINARY" else (
                "".join(text + "\0" for text in value) + "\0" if reg_type == "REG_MULTI_SZ"
                else value + "\0").encode("utf-16-le")
            data = f"{_REG_HEX_TYPES[reg_type]}:" + ",".join(f"{b:02x}" for b in raw)
        lines.append(("@" if name == "" else _reg_quoted(name)) + "=" + data)
    return "\r\n".join(lines) + "\r\n"


def _reg_quoted(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def parse_reg_query(text):
    """Parses the values of the first key in `reg query` output (subkeys are ignored)."""
    values = {}
    lines = text.replace("\r\n", "\n").split("\n")
    i = 0
    while i < len(lines) and not lines[i].startswith("HKEY_"):
        i += 1
    for line in lines[i + 1:]:
        if not line.strip():
            break
        match = _REG_LINE.match(line)
        if not match:
            raise HarnessError(f"unexpected line in reg output: {line!r}")
        name, reg_type, data = match.group(1), match.group(2), match.group(3) or ""
        if name == "(Default)":
            name = ""
        values[name] = (reg_type, _reg_data(reg_type, data))
    return values


def _reg_data(reg_type, data):
    if reg_type in ("REG_DWORD", "REG_QWORD"):
        return int(data, 16)
    if reg_type in ("REG_BINARY", "REG_NONE"):
        return bytes.fromhex(data)
    if reg_type == "REG_MULTI_SZ":
        return data.split("\\0") if data else []
    return data


def xvfb_screenshot(display, path):
    subprocess.run(["import", "-display", display, "-window", "root", str(path)],
                   check=True, timeout=30, stdin=subprocess.DEVNULL, capture_output=True)
    return Path(path)


# ---- the program and the probe ------------------------------------------------------------

def center(rect):
    left, top, right, bottom = rect
    return (left + right) // 2, (top + bottom) // 2


def to_pixels(rect, scale_x, scale_y):
    """A template's (x, y, width, height) in dialog units as [left, top, right, bottom]."""
    x, y, w, h = rect
    return [round(x * scale_x), round(y * scale_y), round((x + w) * scale_x),
            round((y + h) * scale_y)]


class Quilpad:
    """Quilpad installed in a prefix: everything from the build's bin/ copied into
    C:\\Program Files\\Quilpad."""

    def __init__(self, prefix):
        self.prefix = prefix
        self.install_dir = prefix.unix_path(INSTALL_DIR_WIN)
        self._starts = 0

    def install(self):
        shutil.copytree(PROGRAM_DIR, self.install_dir, dirs_exist_ok=True)
        return self

    def start(self, *args, lc_all=DEFAULT_LC_ALL, extra_env=None):
        """Starts Quilpad.exe with its folder as current directory; returns a WineProcess."""
        self._starts += 1
        return self.prefix.start([INSTALL_DIR_WIN + r"\Quilpad.exe", *args],
                                 cwd=self.install_dir, log_name=f"quilpad-{self._starts}.log",
                                 lc_all=lc_all, extra_env=extra_env)

    def start_and_wait(self, probe, **options):
        """Starts Quilpad and waits for its bar: (the WineProcess, the bar)."""
        run = self.start(**options)
        return run, probe.wait_for_bar(timeout=20)


class ProbeError(HarnessError):
    pass


def run_tool(prefix, args, lc_all=DEFAULT_LC_ALL):
    """Runs one of the tests' own Windows tools (the probe, the window lister, the device's
    control tool), which answer at once: one still running after TOOL_DEADLINE seconds is
    a fault of the harness, and is reported as that rather than as the program's."""
    try:
        return prefix.run(args, timeout=TOOL_DEADLINE, lc_all=lc_all)
    except WaitTimeout as error:
        raise HarnessError(f"harness fault: {Path(str(args[0])).name} "
                           f"{' '.join(map(str, args[1:]))} took more than {TOOL_DEADLINE} s; "
                           f"{error}") from None


class Probe:
    """qpprobe.exe run in the test's prefix. Lookups return None (or []) when nothing is
    found; actions raise ProbeError when their window is missing."""

    def __init__(self, prefix, lc_all=DEFAULT_LC_ALL):
        self.prefix = prefix
        self.lc_all = lc_all
        self._server = None

    def run(self, *args):
        """(exit code, parsed JSON answer), from one `qpprobe serve` for the probe's life:
        started when first asked, and again should Wine have ended it."""
        if self._server is None or not self._server.alive():
            log_name = f"qpprobe-{len(self.prefix.conversations) + 1}.log"
            self._server = self.prefix.converse([PROBE_EXE, "serve"], log_name, self.lc_all)
        self._server.say("\t".join(map(str, args)))
        lines = []
        try:
            while not (lines and lines[-1].startswith("rc ")):
                lines.append(self._server.hear(TOOL_DEADLINE))
        except WaitTimeout:
            # Its late answer must not be taken for the next question's.
            self._server.close()
            raise HarnessError(f"harness fault: qpprobe {' '.join(map(str, args))} took more "
                               f"than {TOOL_DEADLINE} s") from None
        returncode = int(lines.pop()[3:])
        if returncode == 2:
            raise ProbeError(f"probe usage error for {args}; see {self._server.log_path}")
        try:
            answer = json.loads("".join(lines))
        except ValueError:
            raise ProbeError(f"probe {args} gave exit code {returncode} and no answer: "
                             f"{lines!r}") from None
        return returncode, answer

    def _lookup(self, *args):
        rc, answer = self.run(*args)
        return answer if rc == 0 else None

    def _act(self, *args):
        rc, answer = self.run(*args)
        if rc != 0:
            raise ProbeError(f"probe {' '.join(map(str, args))} failed: {answer}")
        return answer

    @staticmethod
    def _in(window):
        """Aims a command at a visible dialog of the bar's process with this title."""
        return ["--window", window] if window is not None else []

    def find(self, window=None):
        """The button bar (or the dialog titled `window`): hwnd, pid, exe, class, title,
        visible, enabled, rect, client_rect, client_screen, style, exstyle; None when there
        is none."""
        return self._lookup("find", *self._in(window))

    def control(self, control_id, window=None):
        """A control of the bar (or of the dialog titled `window`): id, hwnd, class, text,
        visible, enabled, rect (in the window's client coordinates), screen_rect, style,
        exstyle; None when missing."""
        return self._lookup("control", control_id, *self._in(window))

    def controls(self, window=None):
        answer = self._lookup("controls", *self._in(window))
        return None if answer is None else answer["controls"]

    def command(self, command_id, code=0, window=None):
        self._act("command", command_id, code, *self._in(window))

    def post(self, msg, wparam=0, lparam=0, to=None, window=None):
        self._act("post", msg, wparam, lparam, *(["--to", to] if to is not None else []),
                  *self._in(window))

    def send(self, msg, wparam=0, lparam=0, to=None, timeout_ms=2000, window=None):
        extra = ["--to", to] if to is not None else []
        return self._act("send", msg, wparam, lparam, *extra, "--timeout", timeout_ms,
                         *self._in(window))["result"]

    def set_text(self, control_id, text, window=None):
        """WM_SETTEXT to a control, as if the user had typed the text."""
        self._act("settext", control_id, text, *self._in(window))

    def focus(self):
        """The focused control of the bar's thread: id, class, window_title; None if none."""
        return self._lookup("focus")

    def key(self, vk):
        """Presses a key (a VK number, or esc/enter/tab/space) in the bar's focused control."""
        return self._act("key", vk)

    def _filters(self, bar_only, exe):
        return (["--bar"] if bar_only else []) + (["--exe", exe] if exe else [])

    def message_boxes(self, bar_only=False, exe=None):
        """Visible message boxes: the window facts plus text and buttons [{id, text}]."""
        rc, answer = self.run("msgbox", *self._filters(bar_only, exe))
        return answer["boxes"]

    def press_message_box(self, button_id, bar_only=False, exe=None):
        self._act("msgbox-press", button_id, *self._filters(bar_only, exe))

    def windows(self):
        """The other visible top-level windows of the bar's process (popup menus are class
        "#32768", tips "tooltips_class32" with the shown tip as title); None without a bar."""
        answer = self._lookup("windows")
        return None if answer is None else answer["windows"]

    def tray_icons(self):
        """The icons in Wine's own notification-area window: [{hwnd, rect}]."""
        return self._lookup("tray-icons")["icons"]

    def popup_menus(self):
        return [w for w in self.windows() if w["class"] == "#32768"]

    def status_text(self):
        """The text of the bar's status strip."""
        return self.control(STATUS_STRIP)["text"]

    def wait_for_status(self, predicate, what, timeout=20):
        return wait_until(lambda: (lambda t: t if predicate(t) else None)(self.status_text()),
                          timeout, what)

    def hide_bar(self):
        """Closes the bar as its close box does (it only hides) and waits until it is hidden."""
        self.post(WM_CLOSE)
        wait_until(lambda: not self.find()["visible"], 10, "the window to hide")

    def wait_for_bar(self, timeout=10, visible=True):
        def ready():
            bar = self.find()
            return bar if bar and (bar["visible"] or not visible) else None
        return wait_until(ready, timeout, "the button bar" + (" to be visible" if visible else ""))

    def wait_for_no_bar(self, timeout=10):
        wait_until(lambda: self.find() is None, timeout, "the button bar to be gone")

    def wait_for_message_box(self, timeout=10, bar_only=False, exe=None):
        boxes = wait_until(lambda: self.message_boxes(bar_only, exe), timeout, "a message box")
        if len(boxes) != 1:
            raise HarnessError(f"expected one message box, found {len(boxes)}: {boxes}")
        return boxes[0]
