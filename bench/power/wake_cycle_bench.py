#!/usr/bin/env python3
"""Prints how long the machine stays awake for one suspend-time mail check, beside the time
of the check itself, under Wine with the simulated TZK0001 device and a private dovecot, for
a plain IMAP server and for the same server over implicit TLS.

Each cycle sends the button bar the suspend query (the wake timer, set to 0 minutes, has
fired at once) and then the automatic resume; the program checks the mailbox over IMAP and
then sends the power query, command 128, which is where the machine would go back to sleep
(the device answers 0 here, so it stays awake for the next cycle). bench/power/
wake_cycle_timer.c, run inside the prefix, times each cycle with a millisecond clock:

- awake: from the automatic-resume broadcast to command 128 in the device's log;
- check: from the "please wait" text (the check has started) to the report's LED command.

Each server gets a new start of the program, so that its first cycle is the first check of
the process: the first, second and tenth cycles are shown apart, then the medians. Every
second awake costs battery: the goal is no more than 250 ms of awake time over the check,
and a TLS wake no more than 50 ms over a plain one, both printed beside the figures.

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
from pki_files import TestPki  # noqa: E402
from private_dovecot import PrivateDovecot  # noqa: E402
from quilpad_keys import write_user_group  # noqa: E402

TIMER_EXE = qh.WIN_BUILD / "benchbin" / "wake_cycle_timer.exe"
TRUST_ROOT = qh.WIN_BUILD / "testbin" / "vrxmail_trust_root.exe"
GOAL_MS = 250
TLS_GOAL_MS = 50
SHOWN_CYCLES = (1, 2, 10)


def fill_mailbox(dovecot, messages):
    now = time.time()
    for n in range(messages):
        dovecot.deliver("alice", now - 86400 - n * 60, f"old {n}")


def wake_cycles(template, xvfb, work, name, host, password, root, cycles):
    """{cycle: (awake_ms, check_ms)} of a new start of the program checking host, and how
    many cycles had no visible start text."""
    prefix = qh.WinePrefix.create(template, work / name, xvfb.display, work)
    try:
        dh.install_driver(prefix)
        trusted = prefix.run([TRUST_ROOT, "Z:" + str(root).replace("/", "\\")], timeout=60)
        if trusted.returncode != 0:
            raise qh.HarnessError(f"the test root was not trusted: {trusted.stdout!r}")
        # Every message older than the last new one: a report of new mail would blink for
        # 40 s, and the next cycle's report wait for it.
        write_user_group(prefix, ServerType=("REG_DWORD", 1), MailHost=("REG_SZ", host),
                         MailUser=("REG_SZ", "alice"), MailPwd=("REG_SZ", password),
                         SusMailPollEn=("REG_DWORD", 1), SusMailPollTime=("REG_DWORD", 0),
                         LastNewTimeStamp=("REG_SZ", qh.local_stamp(qh.minute_ago(0))))
        qh.Quilpad(prefix).install().start()
        bar = qh.Probe(prefix).wait_for_bar(timeout=30)
        run = prefix.run([TIMER_EXE, bar["hwnd"], cycles], timeout=60 * cycles)
        output = run.stdout.decode()
        if run.returncode != 0:
            raise qh.HarnessError(f"wake_cycle_timer failed: {output}{run.stderr.decode()}")
    finally:
        prefix.close()
    timed, missed = {}, 0
    for line in output.splitlines():
        fields = line.split()
        if fields[2:] == ["missed"]:
            missed += 1
        else:
            timed[int(fields[1])] = (float(fields[2]), float(fields[3]))
    if not timed:
        raise qh.HarnessError(f"no cycle of {name} was timed: {output!r}")
    return timed, missed


def row(label, values, note=""):
    cells = "".join(f"{v:9.1f}" if v is not None else f"{'-':>9}" for v in values)
    print(f"  {label:<36}{cells}{note}")


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
    for tool in (TIMER_EXE, TRUST_ROOT):
        if not tool.is_file():
            sys.exit(f"{tool} is missing: build first (scripts/build)")
    print(f"load average at start: {' '.join(open('/proc/loadavg').read().split()[:3])}",
          flush=True)

    with tempfile.TemporaryDirectory(prefix="qp-bench-") as work:
        work = Path(work)
        pki = TestPki(work / "pki")
        pki.dir.chmod(0o755)  # dovecot's processes read the certificates
        dovecot = PrivateDovecot(users=("alice",), tls_chain=pki.chain_file("good"),
                                 tls_key=pki.key_file("good"))
        xvfb = qh.Xvfb(work / "xvfb.log").start()
        try:
            fill_mailbox(dovecot, args.messages)
            template = qh.template_prefix(xvfb.display)
            password = dovecot.password("alice")
            results = {name: wake_cycles(template, xvfb, work, name, host, password,
                                         pki.root_file(), args.cycles)
                       for name, host in (("plain", f"plain:127.0.0.1:{dovecot.imap_port}"),
                                          ("TLS", f"tls:127.0.0.1:{dovecot.imaps_port}"))}
        finally:
            xvfb.stop()
            dovecot.stop()

    print(f"suspend-time mail checks over IMAP, {args.messages} old messages in the mailbox, "
          f"{args.cycles} cycles of a new start for each server, ms "
          f"(cycles without a visible start text left out: "
          f"{', '.join(f'{n} {m}' for n, (_, m) in results.items())})")
    print(f"  {'':<36}{'plain':>9}{'TLS':>9}")
    medians = {}
    for index, what in ((1, "check"), (0, "awake (resume to command 128)")):
        for n in SHOWN_CYCLES:
            row(f"{what.split(' (')[0]}, cycle {n}",
                [results[name][0].get(n, (None, None))[index] for name in ("plain", "TLS")])
        medians[what] = [statistics.median(v[index] for v in results[name][0].values())
                         for name in ("plain", "TLS")]
        row(f"{what}, median", medians[what])
    row("awake over the check, median",
        [statistics.median(a - c for a, c in results[name][0].values())
         for name in ("plain", "TLS")], f"   goal: at most {GOAL_MS} ms")
    awake = medians["awake (resume to command 128)"]
    print(f"  TLS wake over plain wake, median awake: {awake[1] - awake[0]:.1f} ms   "
          f"goal: at most {TLS_GOAL_MS} ms")
    print(f"load average at end: {' '.join(open('/proc/loadavg').read().split()[:3])}")


if __name__ == "__main__":
    main()
