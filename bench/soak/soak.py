#!/usr/bin/python3
"""Weeks of use in one run: the real Quilpad.exe under Wine on a private Xvfb, with the
device driver and a private dovecot, through many cycles of use with faults in between
(see tests/system/soak_cycles.py for one cycle). Prints the program's kernel handles,
threads and private memory after the warm-up and at the end, what was asked and what came,
and the time Exit takes, each beside its goal. Then the same prefix runs bare_chooser.exe,
which only opens the slots' file chooser, as many times as the soak did: what it grows by
is the floor the program's growth is measured from, kind by kind.

    bench/soak/soak.py [--quick] [--cycles N] [--warm-up N] [--fault-every N] [--only ACTION]

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

NEW_HANDLES_SHOWN = 30
PROGRESS_EVERY = 100
MAPPING_SHOWN_KB = 32

# Sized for about seven minutes on a two-core machine (0.7 s a cycle in a 2,000-cycle run).
DEFAULT_CYCLES = 500
HANDLE_GOAL = 5
THREAD_GOAL = 5
PRIVATE_GOAL_KB = 1024
EXIT_GOAL_MS = 5000


def figures_line(name, start, end, goal, unit="", floor=0):
    # A floor that shrank is the host taking resident pages back, not a credit.
    floor = max(floor, 0)
    growth = end - start
    verdict = "ok" if growth - floor <= goal else "OVER"
    return (f"{name:<22}{start:>10}{end:>10}{growth:>+10}{floor:>+10}{growth - floor:>+10}"
            f"   goal <= +{goal}{unit} above floor   {verdict}")


def kinds_lines(program, floor):
    """One line for each kind of kernel object whose handles grew in the program or in the
    bare chooser: the program's start, end and growth, the floor's growth, and what is
    left of the growth above the floor."""
    (start, end), (floor_start, floor_end) = program, floor
    lines = []
    for kind in sorted(set(start) | set(end) | set(floor_start) | set(floor_end)):
        growth = end.get(kind, 0) - start.get(kind, 0)
        floor_growth = floor_end.get(kind, 0) - floor_start.get(kind, 0)
        if growth or floor_growth:
            lines.append(f"  {kind:<20}{start.get(kind, 0):>10}{end.get(kind, 0):>10}"
                         f"{growth:>+10}{floor_growth:>+10}{growth - floor_growth:>+10}")
    return lines


def mapping_lines(program, floor):
    """One line for each kind of mapping whose private memory grew by more than
    MAPPING_SHOWN_KB in the program or the bare chooser, as kinds_lines does for handles."""
    return [line for line in kinds_lines(program, floor)
            if any(abs(int(figure)) > MAPPING_SHOWN_KB for figure in line.split()[-3:-1])]


def new_handles_lines(before, after):
    new = [(value, *after[value]) for value in after if after[value] != before.get(value)]
    lines = [f"  {value:>8} {kind:<14}{name}" for value, kind, name in new[:NEW_HANDLES_SHOWN]]
    if len(new) > NEW_HANDLES_SHOWN:
        lines.append(f"  ... and {len(new) - NEW_HANDLES_SHOWN} more")
    return lines


def run(cycles, warm_up, fault_every, keep, only, show_new):
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

        if only:
            # The warm-up of a whole cycle begins with a check, which waits until the
            # program has come up; one action alone may not wait for anything.
            soak.new_mail_and_check(-1)
        for cycle in range(warm_up):
            soak.cycle(cycle, only)
        start = soak.census(pid)
        kinds0, handles0 = soak.kinds(), soak.handles()
        checks0, reports0, presses0 = soak.checks, soak.reports, soak.presses
        launches0 = soak.launches()
        began = time.monotonic()
        faults = 0
        for cycle in range(warm_up, warm_up + cycles):
            soak.cycle(cycle, only)
            if fault_every and (cycle - warm_up + 1) % fault_every == 0:
                soak.fault(cycle, faults)
                faults += 1
            if (cycle - warm_up + 1) % PROGRESS_EVERY == 0:
                now = soak.census(pid)
                print(f"  {cycle - warm_up + 1} cycles, {time.monotonic() - began:.0f} s: "
                      f"handles {now['handles']}, threads {now['threads']}, "
                      f"private memory {now['private_kb']} kB", flush=True)
        spent = time.monotonic() - began
        end = soak.census(pid)
        kinds1, handles1 = soak.kinds(), soak.handles()
        boxes = soak.message_boxes()
        launches = soak.launches(launches0 + soak.presses - presses0) - launches0
        exit_ms = soak.exit_ms()
        openings = soak.chooser_openings(warm_up, cycles, only)
        floor0, floor1 = soak_cycles.chooser_floor(prefix, soak, soak.chooser_openings(0, warm_up, only),
                                       openings)
        floor_growth = floor1[0]["handles"] - floor0[0]["handles"]

        print(f"\nsoak: {cycles} cycles after {warm_up} of warm-up, {faults} faults, "
              f"{spent:.0f} s ({spent / max(cycles, 1) * 1000:.0f} ms a cycle)")
        print(f"{'':<22}{'start':>10}{'end':>10}{'growth':>10}{'floor':>10}{'above':>10}")
        print(figures_line("kernel handles", start["handles"], end["handles"],
                           HANDLE_GOAL, floor=floor_growth))
        print(f"{'  by kind':<22}{'start':>10}{'end':>10}{'growth':>10}{'floor':>10}{'above':>10}")
        for line in kinds_lines((kinds0, kinds1), (floor0[1], floor1[1])):
            print(line)
        print(figures_line("threads", start["threads"], end["threads"], THREAD_GOAL,
                           floor=floor1[0]["threads"] - floor0[0]["threads"]))
        print(figures_line("private memory (kB)", start["private_kb"], end["private_kb"],
                           PRIVATE_GOAL_KB, " kB",
                           floor=floor1[0]["private_kb"] - floor0[0]["private_kb"]))
        for line in mapping_lines((start["private_by_mapping"], end["private_by_mapping"]),
                                  (floor0[0]["private_by_mapping"], floor1[0]["private_by_mapping"])):
            print(line)
        print(f"floor: bare_chooser.exe through the same {openings} chooser openings after "
              f"the warm-up's; goals count the growth above it")
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
        if show_new:
            print("\nthe program's new handles:")
            print("\n".join(new_handles_lines(handles0, handles1)) or "  none")
            print("the bare chooser's new handles:")
            print("\n".join(new_handles_lines(floor0[2], floor1[2])) or "  none")
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
    parser.add_argument("--only", choices=[name for name, _, _ in soak_cycles.Soak.ACTIONS],
                        help="one action alone, in every cycle (a focused experiment)")
    parser.add_argument("--show-new", action="store_true",
                        help="list the handles that came during the cycles, with their names")
    parser.add_argument("--keep", action="store_true", help="keep the prefix and logs")
    parser.add_argument("--quick", action="store_true",
                        help="10 cycles after 2, a fault every 5: to see that the soak runs")
    args = parser.parse_args()
    if args.quick:
        args.cycles, args.warm_up, args.fault_every = 10, 2, 5
    run(args.cycles, args.warm_up, args.fault_every, args.keep, args.only, args.show_new)


if __name__ == "__main__":
    main()
