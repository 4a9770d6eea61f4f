#!/usr/bin/env python3
"""Prints how long the machine stays awake for one suspend-time mail check, beside the time
of the check itself, under Wine with the simulated TZK0001 device and a private dovecot.

Each cycle sends the button bar the suspend query (the wake timer, set to 0 minutes, has
fired at once) and then the automatic resume; the program checks the mailbox over IMAP and
then sends the power query, command 128, which is where the machine would go back to sleep
(the device answers 0 here, so it stays awake for the next cycle). bench/power/
wake_cycle_timer.c, run inside the prefix, times each cycle with a millisecond clock:

- awake: from the automatic-resume broadcast to command 128 in the device's log;
- check: from the "please wait" text (the check has started) to the report's LED command.

Every second awake costs battery: the goal is no more than 250 ms of awake time over the
check, which is printed beside the figures.

Run from the repository after scripts/build:
    /usr/bin/python3 bench/power/wake_cycle_bench.py [--quick] [--cycles 20] [--messages 100]
"""

import argparse
import statistics
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "system"))
sys.path.insert(0, str(REPO / "tests" / "mailcheck_system"))

import device_helpers as dh  # noqa: E402
import quilpad_harness as qh  # noqa: E402
from private_dovecot import PrivateDovecot  # noqa: E402
from quilpad_keys import write_user_group  # noqa: E402

TIMER_EXE = qh.WIN_BUILD / "benchbin" / "wake_cycle_timer.exe"
GOAL_MS = 250


def fill_mailbox(dovecot, messages):
    now = time.time()
    for n in range(messages):
        dovecot.deliver("alice", now - 86400 - n * 60, f"old {n}")


def summary(name, values):
    ordered = sorted(values)
    return (f"{name:<34} median {statistics.median(ordered):7.1f} ms   "
            f"worst {ordered[-1]:7.1f} ms   best {ordered[0]:7.1f} ms")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cycles", type=int, default=20)
    parser.add_argument("--messages", type=int, default=100)
    parser.add_argument("--quick", action="store_true",
                        help="2 cycles on 10 messages: to see that the benchmark runs")
    args = parser.parse_args()
    if args.quick:
        args.cycles, args.messages = 2, 10
    if args.cycles < 1:
        parser.error("--cycles must be at least 1")
    if not TIMER_EXE.is_file():
        sys.exit(f"{TIMER_EXE} is missing: build first (scripts/build)")

    dovecot = PrivateDovecot(users=("alice",))
    with tempfile.TemporaryDirectory(prefix="qp-bench-") as work:
        work = Path(work)
        xvfb = qh.Xvfb(work / "xvfb.log").start()
        prefix = None
        try:
            fill_mailbox(dovecot, args.messages)
            template = qh.template_prefix(xvfb.display)
            prefix = qh.WinePrefix.create(template, work / "prefix", xvfb.display, work)
            dh.install_driver(prefix)
            write_user_group(prefix, ServerType=("REG_DWORD", 1),
                             MailHost=("REG_SZ", f"plain:127.0.0.1:{dovecot.imap_port}"),
                             MailUser=("REG_SZ", "alice"),
                             MailPwd=("REG_SZ", dovecot.password("alice")),
                             SusMailPollEn=("REG_DWORD", 1), SusMailPollTime=("REG_DWORD", 0))
            probe = qh.Probe(prefix)
            quilpad = qh.Quilpad(prefix).install()
            quilpad.start()
            bar = probe.wait_for_bar(timeout=30)
            run = prefix.run([TIMER_EXE, bar["hwnd"], args.cycles], timeout=60 * args.cycles)
            output = run.stdout.decode()
            if run.returncode != 0:
                sys.exit(f"wake_cycle_timer failed: {output}{run.stderr.decode()}")
        finally:
            if prefix:
                prefix.close()
            xvfb.stop()
            dovecot.stop()

    awake, check, missed = [], [], 0
    for line in output.splitlines():
        fields = line.split()
        if fields[2:] == ["missed"]:
            missed += 1
            continue
        awake.append(float(fields[2]))
        check.append(float(fields[3]))
    over = [a - c for a, c in zip(awake, check)]
    print(f"suspend-time mail checks over IMAP, {args.messages} old messages in the mailbox, "
          f"{len(awake)} cycles ({missed} without a visible start text left out)")
    print(summary("awake (resume to command 128)", awake))
    print(summary("the mail check itself", check))
    print(summary("awake over the check", over) + f"   goal: at most {GOAL_MS} ms")


if __name__ == "__main__":
    main()
