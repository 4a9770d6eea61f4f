"""A day of use in a few seconds, for the soak (bench/soak): new
mail, restamp-and-check and its acknowledgement, hardware presses that launch and step the
volume, slot clears and assignments, both layouts, the suspend-time wake cycle, and faults
in between (the mail server stopped and back, a server that accepts and stays silent, the
device driver stopped and started). Every action goes through soak_driver.exe, one Windows
process for the whole run."""

import os
import struct
import time
from pathlib import Path

import device_helpers
import quilpad_harness as qh
from quilpad_keys import write_user_group
from silent_server import SilentServer

SOAK_DRIVER_EXE = qh.WIN_BUILD / "testbin" / "soak_driver.exe"
BARE_CHOOSER_EXE = qh.WIN_BUILD / "testbin" / "bare_chooser.exe"
BARE_CHOOSER_TITLE = "Quilpad bare chooser"

IDC_CLEAR1, IDC_BROWSE1 = 1029, 1033
ID_STYLE_SWITCH = 32784
SLOT3_BUTTON, VOLUME_UP, VOLUME_DOWN = 132, 130, 131
SLOT3_PROGRAM = r"C:\soak\slot3.exe"
SLOT1_FILES = (r"C:\soak\one.txt", r"C:\soak\two.txt")
REPORT_WAIT_MS = 20000


class DriverError(AssertionError):
    pass


class SoakDriver:
    """soak_driver.exe in the prefix: one command a line in, one answer a line out."""

    def __init__(self, prefix):
        self._conversation = prefix.converse([SOAK_DRIVER_EXE], "soak_driver.log")

    def ask(self, line, timeout=60):
        self._conversation.say(line)
        try:
            answer = self._conversation.hear(timeout)
        except (qh.WaitTimeout, qh.HarnessError) as error:
            raise DriverError(f"{line!r}: {error}") from None
        if answer.startswith("error"):
            raise DriverError(f"{line!r}: {answer!r}")
        return answer

    def close(self):
        self._conversation.close(farewell="quit")


def prepare(prefix, dovecot):
    """The registry and files of a user who has used the program for a while: IMAP on the
    private dovecot, periodic polling every minute, suspend-time polling with a wake at
    once, slot 3 holding a program that leaves a file each run."""
    device_helpers.install_touch_file(prefix, SLOT3_PROGRAM)
    for path in SLOT1_FILES:
        target = prefix.unix_path(path)
        target.parent.mkdir(parents=True, exist_ok=True)
        target.write_text("soak\n")
    write_user_group(prefix, MailPollEn=("REG_DWORD", 1), MailPollTime=("REG_DWORD", 1),
                     ServerType=("REG_DWORD", 1),
                     MailHost=("REG_SZ", f"plain:127.0.0.1:{dovecot.imap_port}"),
                     MailUser=("REG_SZ", "alice"), MailPwd=("REG_SZ", dovecot.password("alice")),
                     SusMailPollEn=("REG_DWORD", 1), SusMailPollTime=("REG_DWORD", 0),
                     ShowMessage=("REG_DWORD", 1), MailPushEn=("REG_DWORD", 1))
    device_helpers.set_slots(prefix, ["", SLOT1_FILES[0], "", SLOT3_PROGRAM])


class Soak:
    """One run of the program through cycles; counts what was asked and what came."""

    def __init__(self, prefix, dovecot, driver):
        self.prefix = prefix
        self.server = dovecot
        self.driver = driver
        self.device = device_helpers.Device(prefix)
        self.checks = self.reports = self.presses = 0
        self.missed = []  # what did not come, with the cycle

    def find(self, title=None):
        """The button bar, or the top-level window `title` of another program driven the
        same way (the bare chooser); its Windows process id."""
        pid = int(self.driver.ask("find" + (f" {title}" if title else ""), timeout=30).split()[1])
        if pid == 0:
            raise DriverError(f"no window {title}" if title else "no button bar")
        return pid

    def reported(self, cycle, command, expect="You have"):
        """One check, through the driver's `command` (check, wait or resume), counted with
        its report."""
        self.checks += 1
        answer = self.driver.ask(f"{command} {REPORT_WAIT_MS}", timeout=REPORT_WAIT_MS / 1000 + 30)
        kind, _, text = answer.partition(" ")
        if kind == "report" and text.startswith(expect):
            self.reports += 1
        else:
            self.missed.append((cycle, f"{command}: {answer}"))

    def new_mail_and_check(self, cycle):
        self.server.deliver("alice", time.time(), f"soak {cycle}")
        self.reported(cycle, "check")
        self.driver.ask("ack")

    def pushed_mail(self, cycle):
        """A delivery shown by push: the program's watch starts the check, nobody asks."""
        self.driver.ask("mark")
        self.server.deliver("alice", time.time(), f"soak push {cycle}")
        self.reported(cycle, "wait")
        self.driver.ask("ack")

    def press(self, cycle, code):
        answer = self.driver.ask(f"press {code}")
        if answer != "ok":
            self.missed.append((cycle, f"press {code}: {answer}"))
            return
        if code == SLOT3_BUTTON:
            self.presses += 1
        if self.driver.ask("pending 10000") != "pending 0":
            self.missed.append((cycle, f"press {code} not read"))

    def command(self, cycle, command_id):
        answer = self.driver.ask(f"command {command_id}")
        if answer != "ok":
            self.missed.append((cycle, f"command {command_id}: {answer}"))

    def slots(self, cycle):
        self.command(cycle, IDC_CLEAR1)
        self.assign(cycle)

    def assign(self, cycle):
        """Slot 1's browse button and a file typed into the chooser."""
        answer = self.driver.ask(f"assign {IDC_BROWSE1} {SLOT1_FILES[cycle % 2]}", timeout=30)
        if answer != "assigned":
            self.missed.append((cycle, f"slot assignment: {answer}"))

    # How many of a wake cycle's two checks were reported, by the driver's answer.
    WAKE_REPORTS = {"woke": 2, "nofollow": 1, "noquery": 1, "noreport": 0}

    def wake_cycle(self, cycle):
        """A timer wake: its check is reported and the device is asked whether to sleep;
        the simulated suspend returns at once, and periodic polling checks after the
        resume."""
        answer = self.driver.ask(f"wake {REPORT_WAIT_MS}", timeout=3 * REPORT_WAIT_MS / 1000 + 30)
        self.checks += 2
        self.reports += self.WAKE_REPORTS.get(answer.split(" ")[0], 0)
        if not answer.startswith("woke"):
            self.missed.append((cycle, f"wake: {answer}"))
        # Under Wine the machine never sleeps, so nothing tells the program of the next
        # wake: the user's resume does, which checks at once and brings the watch back.
        self.reported(cycle, "resume")

    def layouts(self, cycle):
        self.command(cycle, ID_STYLE_SWITCH)
        self.command(cycle, ID_STYLE_SWITCH)

    def press_buttons(self, cycle):
        self.press(cycle, SLOT3_BUTTON)
        self.press(cycle, VOLUME_UP if cycle % 2 else VOLUME_DOWN)

    # What a cycle does, each action with how many cycles apart it comes.
    ACTIONS = (("mail", "new_mail_and_check", 1), ("push", "pushed_mail", 2),
               ("presses", "press_buttons", 1),
               ("slots", "slots", 5), ("layouts", "layouts", 10), ("wake", "wake_cycle", 10))

    def cycle(self, cycle, only=None):
        """One cycle; every second one also has a delivery shown by push alone, every tenth
        one switches the layout twice and goes through the wake cycle, every fifth one
        clears and assigns slot 1. With `only`, one action alone, in every cycle."""
        for name, method, every in self.ACTIONS:
            if only == name or (only is None and cycle % every == 0):
                getattr(self, method)(cycle)

    @classmethod
    def chooser_openings(cls, first, count, only=None):
        """How many times cycles first .. first+count-1 open the file chooser."""
        every = 1 if only == "slots" else 5 if only is None else 0
        return sum(1 for cycle in range(first, first + count) if every and cycle % every == 0)

    # -- faults --------------------------------------------------------------------------

    def server_gone(self, cycle):
        """The mail server stops: a check fails; once it is back, checks count again."""
        self.server.stop_master()
        self.reported(cycle, "check", expect="")
        self.server.start_master()
        self.new_mail_and_check(cycle)

    def silent_server(self, cycle):
        """A server that accepts and stays silent holds a check until it goes; then the
        real server is back and checks count again."""
        self.server.stop_master()
        listener = SilentServer(self.server.imap_port)
        answer = self.driver.ask("check 1000", timeout=30)
        self.checks += 1
        if not answer.startswith("noreport"):
            self.missed.append((cycle, f"silent server answered: {answer}"))
        listener.close()
        # The held check ends when the connection closes; its report is a failure.
        answer = self.driver.ask(f"wait {REPORT_WAIT_MS}", timeout=REPORT_WAIT_MS / 1000 + 30)
        if answer.startswith("report"):
            self.reports += 1
        else:
            self.missed.append((cycle, f"silent server's check: {answer}"))
        self.server.start_master()
        self.new_mail_and_check(cycle)

    def device_gone(self, cycle):
        """The device driver stops and starts again while the program runs."""
        self.prefix.run(["net", "stop", "tzk0001"], timeout=60)
        self.prefix.run(["net", "start", "tzk0001"], timeout=60)
        self.press(cycle, SLOT3_BUTTON)

    FAULTS = ("server_gone", "silent_server", "device_gone")

    def fault(self, cycle, number):
        self.settle()
        getattr(self, self.FAULTS[number % len(self.FAULTS)])(cycle)

    def settle(self):
        """Lets the reports of checks still under way come before a fault, so that none
        lands in its window: a delivery that a restamp-and-check counted is told by the
        watch too, and the check that follows it comes after the soak has moved on."""
        for _ in range(5):
            self.driver.ask("mark")
            if self.driver.ask("wait 2000", timeout=40).startswith("noreport"):
                return
            self.driver.ask("ack")

    # -- figures -------------------------------------------------------------------------

    def census(self, pid_linux):
        handles, threads = map(int, self.driver.ask("census").split()[1:])
        return {"handles": handles, "threads": threads, "private_kb": private_kb(pid_linux),
                "private_by_mapping": private_kb_by_mapping(pid_linux, self.regions())}

    def regions(self):
        """The driven process's allocations that hold committed memory, as Windows sees
        them: [(base, end, kind)] with kind stack, heap, private, image or mapped."""
        entries = self.driver.ask("regions").split("\t")[1:]
        return [(int(base, 16), int(end, 16), kind) for base, end, kind in map(str.split, entries)]

    def kinds(self):
        """The driven process's kernel handles by kind: {"Event": 12, "Key": 30, ...}."""
        return {kind: int(count) for kind, _, count in
                (item.partition("=") for item in self.driver.ask("kinds").split()[1:])}

    def handles(self):
        """Every kernel handle of the driven process: {value: (kind, name)}."""
        entries = self.driver.ask("handles").split("\t")[1:]
        return {value: (kind, name) for value, kind, name in
                (entry.split(" ", 2) for entry in entries)}

    def launches(self, at_least=0, timeout=10):
        """The runs of slot 3's program so far, waiting up to timeout for at_least."""
        count = lambda: len(device_helpers.runs(self.prefix, SLOT3_PROGRAM))
        try:
            return qh.wait_until(lambda: (lambda n: n if n >= at_least else None)(count()),
                                 timeout, f"{at_least} launches")
        except qh.WaitTimeout:
            return count()

    def message_boxes(self):
        return int(self.driver.ask("boxes").split()[1])

    def exit_ms(self, timeout_ms=60000):
        answer = self.driver.ask(f"exit {timeout_ms}", timeout=timeout_ms / 1000 + 30)
        return float(answer.split()[1]) if answer.startswith("exited") else None


def linux_pid(prefix, exe_name="Quilpad.exe"):
    """The host process that runs exe_name in this prefix."""
    wanted = f"WINEPREFIX={prefix.path}".encode()
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            if exe_name.encode() in (entry / "cmdline").read_bytes() and \
                    wanted in (entry / "environ").read_bytes().split(b"\0"):
                return int(entry.name)
        except OSError:
            continue
    return None


def _mapping_kind(path):
    """What a mapping of a Wine process holds, from its path in /proc/PID/smaps."""
    if not path:
        return "anonymous"  # the Windows heaps and stacks
    if path == "[heap]":
        return "host heap"  # malloc of Wine's Unix side
    if path.startswith("["):
        return f"host {path.strip('[]')}"
    name = path.rsplit("/", 1)[-1].lower()
    if name.endswith((".dll", ".exe", ".drv", ".sys")):
        return "Windows images"
    if ".so" in name:
        return "host libraries"
    return "other files"


def private_kb_by_mapping(pid, regions=()):
    """Private memory (kB) by what the mappings hold, as in _mapping_kind. With the
    process's Windows allocations (Soak.regions), the anonymous memory is split further:
    what its thread stacks, its process heap and its other private allocations hold, and
    the rest, which Windows does not see: Wine's host side (the C library's arenas)."""
    kinds, kind = {}, None
    for line in Path(f"/proc/{pid}/smaps").read_text().splitlines():
        fields = line.split()
        if "-" in fields[0] and not fields[0].endswith(":"):
            kind = _mapping_kind(" ".join(fields[5:]))
        elif fields[0] in ("Private_Clean:", "Private_Dirty:"):
            kinds[kind] = kinds.get(kind, 0) + int(fields[1])
    windows = _resident_private_kb(pid, [(base, end, kind) for base, end, kind in regions
                                         if kind in ("stack", "heap", "private")])
    if windows:
        host_side = kinds.pop("anonymous", 0)
        for region_kind, kb in windows.items():
            kinds[f"anonymous: Windows {region_kind}"] = kb
            host_side -= kb
        kinds["anonymous: host side"] = host_side
    return kinds


PAGE_PRESENT, PAGE_EXCLUSIVE = 1 << 63, 1 << 56


def _resident_private_kb(pid, regions):
    """kB of pages resident and mapped by this process alone in each kind of region, from
    /proc/PID/pagemap (as smaps counts Private_Clean + Private_Dirty)."""
    page = os.sysconf("SC_PAGE_SIZE")
    kb = {}
    try:
        with open(f"/proc/{pid}/pagemap", "rb") as pagemap:
            for base, end, kind in regions:
                pagemap.seek(base // page * 8)
                entries = pagemap.read((end - base) // page * 8)
                count = sum(1 for (entry,) in struct.iter_unpack("<Q", entries)
                            if entry & PAGE_PRESENT and entry & PAGE_EXCLUSIVE)
                kb[kind] = kb.get(kind, 0) + count * page // 1024
    except OSError:
        return {}
    return kb


def private_kb(pid):
    fields = {}
    for line in Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines():
        name, _, rest = line.partition(":")
        if rest.strip().endswith("kB"):
            fields[name] = int(rest.split()[0])
    return fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0)


def chooser_floor(prefix, soak, warm_up_openings, openings):
    """bare_chooser.exe through warm_up_openings and then openings of the chooser, driven
    as the soak drives the program's: its census, handles by kind and private memory
    before and after the second lot, and its handles that came with it."""
    process = prefix.start([str(BARE_CHOOSER_EXE)], cwd=prefix.work_dir, log_name="bare_chooser.log")
    try:
        soak.find(BARE_CHOOSER_TITLE)
        pid = qh.wait_until(lambda: linux_pid(prefix, BARE_CHOOSER_EXE.name), 10,
                            "the bare chooser's process")
        for opening in range(warm_up_openings):
            soak.assign(opening)
        before = soak.census(pid), soak.kinds(), soak.handles()
        for opening in range(openings):
            soak.assign(opening)
        after = soak.census(pid), soak.kinds(), soak.handles()
        return before, after
    finally:
        process.stop()
