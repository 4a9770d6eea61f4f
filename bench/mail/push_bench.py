#!/usr/bin/env python3
"""Prints, in one run on the private dovecot, what push costs and gives:

- delivery to the mail-LED command in the device's log, with push on and a period of 30
  minutes (so that only push can show a delivery in time), over many deliveries, beside a
  bare IDLE client's delivery to `* n EXISTS` for the very same deliveries on the same
  server (the floor), and beside polling's wait at the default period of 5 minutes;
- the idle CPU time of the program with its watch open beside the same program with push
  turned off, over the same length of time, the pointer away from the bar.

Run from the repository after scripts/build:
    /usr/bin/python3 bench/mail/push_bench.py [--deliveries 20] [--idle-seconds 60]
    /usr/bin/python3 bench/mail/push_bench.py --quick     # a few of each, for the test run
"""

import argparse
import os
import random
import socket
import statistics
import sys
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "system"))
sys.path.insert(0, str(REPO / "tests" / "mailcheck_system"))
sys.path.insert(0, str(REPO / "bench" / "device"))
sys.path.insert(0, str(REPO / "bench"))

import device_helpers as dh  # noqa: E402
import quilpad_harness as qh  # noqa: E402
from bench_run import begin, desktop, load_average  # noqa: E402
from hardware_buttons_bench import (cpu_seconds, one_pid, percentile, pids_running,  # noqa: E402
                                    spread, verdict)
from private_dovecot import PrivateDovecot  # noqa: E402
from quilpad_keys import TRAY_CALLBACK, USER_KEY, WM_LBUTTONDBLCLK, write_user_group  # noqa: E402

LED_WATCH = qh.WIN_BUILD / "benchbin" / "led_watch.exe"
TICKS = os.sysconf("SC_CLK_TCK")
DEFAULT_PERIOD_S = 5 * 60
GOAL_P50_MS, GOAL_P95_MS, GOAL_IDLE_RATIO = 300, 600, 1.1


class BareIdleClient:
    """The floor: a client that does nothing but log in, EXAMINE INBOX and IDLE."""

    def __init__(self, port, user, password):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=30)
        self.buffer = b""
        self.line()  # greeting
        self.sock.sendall(f'a LOGIN {user} "{password}"\r\n'.encode())
        self.until(b"a OK")
        self.sock.sendall(b"b EXAMINE INBOX\r\n")
        self.until(b"b OK")
        self.sock.sendall(b"c IDLE\r\n")
        self.until(b"+")

    def line(self):
        while b"\r\n" not in self.buffer:
            data = self.sock.recv(4096)
            if not data:
                raise ConnectionError("the server closed the bare client's connection")
            self.buffer += data
        line, self.buffer = self.buffer.split(b"\r\n", 1)
        return line

    def until(self, start):
        while not self.line().startswith(start):
            pass

    def next_exists(self):
        """Waits for the next `* n EXISTS`; returns the wall-clock time it came."""
        while True:
            line = self.line()
            if line.startswith(b"* ") and line.endswith(b" EXISTS"):
                return time.time()

    def close(self):
        self.sock.close()


class LedWatch:
    """led_watch.exe in the program's prefix: the time each LED-on command reached the
    device, read from its output file."""

    def __init__(self, prefix, work):
        self.process = prefix.start([str(LED_WATCH)], cwd=work, log_name="led_watch.log")
        self.path = Path(self.process.log_path)
        self.seen = 0
        qh.wait_until(lambda: "ready" in self.path.read_text(errors="replace"), 20, "led_watch")

    def next_led(self, timeout):
        def fresh():
            times = [float(line.split()[1]) for line in self.path.read_text().splitlines()
                     if line.startswith("led ")]
            return times[self.seen] if len(times) > self.seen else None
        found = qh.wait_until(fresh, timeout, "the LED command of the delivery", interval=0.002)
        self.seen += 1
        return found

    def stop(self):
        self.process.stop()


def start_program(quilpad, probe, prefix, env):
    run = quilpad.start(extra_env=env)
    probe.wait_for_bar(timeout=30)
    probe.wait_for_status(lambda t: t.startswith("You have"), "the first check", timeout=30)
    return run


def acknowledge(probe):
    """Ends the blinking of the last report, which would hold the next one back."""
    for _ in range(3):
        probe.post(TRAY_CALLBACK, 1, WM_LBUTTONDBLCLK)
        time.sleep(0.1)


def measure_deliveries(dovecot, probe, led_watch, bare, count):
    floor, program = [], []
    for n in range(count):
        time.sleep(random.uniform(1.0, 2.0))  # deliveries at random phases
        delivered = time.time()
        dovecot.deliver("alice", delivered, f"push bench {n}")
        floor.append((bare.next_exists() - delivered) * 1000)
        program.append((led_watch.next_led(30) - delivered) * 1000)
        acknowledge(probe)
    return floor, program


def measure_idle(prefix, seconds):
    """CPU ms per minute of the program, and of the program with the wineserver (which
    does much of a Wine program's waiting for it), after as long again to settle."""
    program = one_pid(["Quilpad.exe"], prefix)
    server = pids_running(["wineserver"], prefix.path)
    time.sleep(seconds)
    pids = [program, *server]
    before = {pid: cpu_seconds(pid) for pid in pids}
    started = time.monotonic()
    time.sleep(seconds)
    span = time.monotonic() - started
    used = {pid: (cpu_seconds(pid) - before[pid]) * 60_000 / span for pid in pids}
    return used[program], sum(used.values())


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--deliveries", type=int, default=20)
    parser.add_argument("--idle-seconds", type=float, default=60.0)
    parser.add_argument("--quick", action="store_true", help="3 deliveries, 5 s idle windows")
    args = parser.parse_args()
    if args.quick:
        args.deliveries, args.idle_seconds = 3, 5.0
    begin((LED_WATCH, qh.WIN_BUILD / "bin" / "Quilpad.exe"))

    dovecot = PrivateDovecot(users=("alice",))
    with desktop("qp-push-bench-") as (work, xvfb, template):
        prefix = None
        try:
            prefix = qh.WinePrefix.create(template, work / "prefix", xvfb.display, work)
            dh.install_driver(prefix)
            quilpad = qh.Quilpad(prefix).install()
            probe = qh.Probe(prefix)
            write_user_group(prefix, MailPollEn=("REG_DWORD", 1), MailPollTime=("REG_DWORD", 30),
                             ServerType=("REG_DWORD", 1),
                             MailHost=("REG_SZ", f"plain:127.0.0.1:{dovecot.imap_port}"),
                             MailUser=("REG_SZ", "alice"),
                             MailPwd=("REG_SZ", dovecot.password("alice")),
                             LastNewTimeStamp=("REG_SZ", qh.local_stamp(time.time() - 60)),
                             ShowMessage=("REG_DWORD", 0), Sound=("REG_DWORD", 0))
            prefix.xdotool("mousemove", 1279, 1023)
            env = dh.null_sound_env(work)

            run = start_program(quilpad, probe, prefix, env)
            bare = BareIdleClient(dovecot.imap_port, "alice", dovecot.password("alice"))
            led_watch = LedWatch(prefix, work)
            # The watch is in IDLE once a delivery is shown; the first one only warms up.
            dovecot.deliver("alice", time.time(), "warm-up")
            bare.next_exists()
            led_watch.next_led(30)
            acknowledge(probe)
            floor, program = measure_deliveries(dovecot, probe, led_watch, bare, args.deliveries)
            led_watch.stop()
            bare.close()

            prefix.xdotool("mousemove", 1279, 1023)
            idle_push = measure_idle(prefix, args.idle_seconds)
            probe.command(32774)  # Exit
            run.wait(20, "the program to end")
            prefix.reg_set(USER_KEY, "MailPushEn", "REG_DWORD", 0)
            start_program(quilpad, probe, prefix, env)
            prefix.xdotool("mousemove", 1279, 1023)
            idle_off = measure_idle(prefix, args.idle_seconds)
        finally:
            if prefix:
                prefix.close()
            dovecot.stop()

    gap50 = statistics.median(program) - statistics.median(floor)
    gap95 = percentile(program, 0.95) - percentile(floor, 0.95)
    print()
    print(f"Delivery to shown, ms, {len(program)} deliveries into Maildir/new at random phases, "
          f"each seen by both:")
    print(f"  program: delivery -> LED command       {spread(program)}")
    print(f"  floor: bare IDLE client -> EXISTS      {spread(floor)}")
    print(f"  polling every {DEFAULT_PERIOD_S // 60} minutes (the default)    "
          f"mean {DEFAULT_PERIOD_S * 500:9.0f}   worst {DEFAULT_PERIOD_S * 1000:9.0f}")
    print(f"  goal: p50 within {GOAL_P50_MS} ms of the floor's ({gap50:+.1f}): "
          f"{verdict(gap50 <= GOAL_P50_MS)}")
    print(f"  goal: p95 within {GOAL_P95_MS} ms of the floor's ({gap95:+.1f}): "
          f"{verdict(gap95 <= GOAL_P95_MS)}")
    print()
    print(f"Idle CPU, ms per minute, pointer away from the bar, {args.idle_seconds:.0f} s each "
          f"after as long to settle (CPU time is counted in ticks of {1000 // TICKS} ms):")
    print(f"  {'':32}{'program':>10}{'with wineserver':>18}")
    print(f"  {'program with its watch open':32}{idle_push[0]:10.1f}{idle_push[1]:18.1f}")
    print(f"  {'floor: program, push off':32}{idle_off[0]:10.1f}{idle_off[1]:18.1f}")
    for n, what in enumerate(("program", "with wineserver")):
        ratio = idle_push[n] / idle_off[n] if idle_off[n] > 0 else float("inf")
        print(f"  goal, {what}: at most {GOAL_IDLE_RATIO} times the floor ({ratio:.2f}): "
              f"{verdict(ratio <= GOAL_IDLE_RATIO)}")
    print()
    print(f"load average at end: {load_average()}")


if __name__ == "__main__":
    main()
