#!/usr/bin/python3
"""Weeks of use in one run: the real Quilpad.exe under Wine on a private Xvfb, with the
device driver and a private dovecot, through many cycles of use with faults in between
(see tests/system/soak_cycles.py for one cycle). Prints the program's kernel handles,
threads and private memory after the warm-up and at the end, what was asked and what came,
and the time Exit takes, each beside its goal.

    bench/soak/soak.py [--cycles N] [--warm-up N] [--fault-every N]

Not part of the tests. Build first."""

import argparse
import shutil
import sys
import tempfile
import time
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO_ROOT / "tests" / "system"))
sys.path.insert(0, str(REPO_ROOT / "tests" / "mailcheck_system"))

import device_helpers  # noqa: E402
import quilpad_harness as qh  # noqa: E402
import soak_cycles  # noqa: E402
from private_dovecot import PrivateDovecot  # noqa: E402

# Sized for about ten minutes on a two-core machine.
DEFAULT_CYCLES = 500
HANDLE_GOAL = 5
THREAD_GOAL = 5
PRIVATE_GOAL_KB = 1024
EXIT_GOAL_MS = 5000


def figures_line(name, start, end, goal, unit=""):
    growth = end - start
    verdict = "ok" if growth <= goal else "OVER"
    return f"{name:<22}{start:>10}{end:>10}{growth:>+10}   goal <= +{goal}{unit}   {verdict}"


def run(cycles, warm_up, fault_every, keep):
    work = Path(tempfile.mkdtemp(prefix="quilpad-soak."))
    xvfb = qh.Xvfb(work / "xvfb.log").start()
    prefix = dovecot = driver = None
    try:
        template = qh.template_prefix(xvfb.display)
        prefix = qh.WinePrefix.create(template, work / "prefix", xvfb.display, work)
        device_helpers.install_driver(prefix)
        quilpad = qh.Quilpad(prefix).install()
        dovecot = PrivateDovecot(users=("alice",))
        soak_cycles.prepare(prefix, dovecot)
        device = device_helpers.Device(prefix)
        quilpad.start(extra_env=device_helpers.null_sound_env(work))
        driver = soak_cycles.SoakDriver(prefix)
        soak = soak_cycles.Soak(prefix, dovecot, driver)
        soak.find()
        device.power_reply(1)
        pid = qh.wait_until(lambda: soak_cycles.linux_pid(prefix), 10, "the program's process")

        for cycle in range(warm_up):
            soak.cycle(cycle)
        start = soak.census(pid)
        checks0, reports0, presses0 = soak.checks, soak.reports, soak.presses
        launches0 = soak.launches()
        began = time.monotonic()
        faults = 0
        for cycle in range(warm_up, warm_up + cycles):
            soak.cycle(cycle)
            if fault_every and (cycle - warm_up + 1) % fault_every == 0:
                soak.fault(cycle, faults)
                faults += 1
            if (cycle - warm_up + 1) % 100 == 0:
                print(f"  {cycle - warm_up + 1} cycles, {time.monotonic() - began:.0f} s",
                      flush=True)
        spent = time.monotonic() - began
        end = soak.census(pid)
        boxes = soak.message_boxes()
        launches = soak.launches(launches0 + soak.presses - presses0) - launches0
        exit_ms = soak.exit_ms()

        print(f"\nsoak: {cycles} cycles after {warm_up} of warm-up, {faults} faults, "
              f"{spent:.0f} s ({spent / max(cycles, 1) * 1000:.0f} ms a cycle)")
        print(f"{'':<22}{'start':>10}{'end':>10}{'growth':>10}")
        print(figures_line("kernel handles", start["handles"], end["handles"], HANDLE_GOAL))
        print(figures_line("threads", start["threads"], end["threads"], THREAD_GOAL))
        print(figures_line("private memory (kB)", start["private_kb"], end["private_kb"],
                           PRIVATE_GOAL_KB, " kB"))
        checks, reports = soak.checks - checks0, soak.reports - reports0
        presses = soak.presses - presses0
        print(f"{'checks reported':<22}{reports:>10} of {checks:<7} goal every one   "
              f"{'ok' if reports == checks else 'MISSED'}")
        print(f"{'presses launched':<22}{launches:>10} of {presses:<7} goal every one   "
              f"{'ok' if launches == presses else 'MISSED'}")
        print(f"{'message boxes at end':<22}{boxes:>10}            goal 0   {'ok' if boxes == 0 else 'OVER'}")
        exit_text = "did not exit" if exit_ms is None else f"{exit_ms:.0f} ms"
        verdict = "ok" if exit_ms is not None and exit_ms <= EXIT_GOAL_MS else "OVER"
        print(f"{'Exit':<22}{exit_text:>10}            goal <= {EXIT_GOAL_MS} ms   {verdict}")
        for cycle, what in soak.missed[:20]:
            print(f"  missed at cycle {cycle}: {what}")
        if len(soak.missed) > 20:
            print(f"  ... and {len(soak.missed) - 20} more")
        print(f"load average at end: {open('/proc/loadavg').read().split()[0]}")
    finally:
        if driver:
            driver.close()
        if prefix:
            prefix.close(keep=keep)
        if dovecot:
            dovecot.stop()
        xvfb.stop()
        if not keep:
            shutil.rmtree(work, ignore_errors=True)
        else:
            print(f"kept: {work}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cycles", type=int, default=DEFAULT_CYCLES)
    parser.add_argument("--warm-up", type=int, default=20)
    parser.add_argument("--fault-every", type=int, default=25,
                        help="cycles between faults (0: none)")
    parser.add_argument("--keep", action="store_true", help="keep the prefix and logs")
    args = parser.parse_args()
    run(args.cycles, args.warm_up, args.fault_every, args.keep)


if __name__ == "__main__":
    main()
