#!/usr/bin/env python3
"""Prints figures of the hardware buttons under Wine, with the simulated TZK0001 device:

- press-to-launch latency: from a press queued in the device (tzkctl press 132 has
  returned) until the program of slot 3 runs (its touch_file copy has left its file),
  median and worst over N presses, each after a random pause so presses meet the
  250 ms poll at every phase;
- CPU time of the program per minute while idle (the Wine process of Quilpad.exe, user +
  system), and of Wine's driver host and server over the same time, which answer the polls;
- the program's private memory after start-up (Linux private pages of its Wine process,
  which include Wine's own runtime).

Run from the repository after scripts/build:
    /usr/bin/python3 bench/device/hardware_buttons_bench.py [--presses 50] [--idle-seconds 60]
"""

import argparse
import os
import random
import statistics
import sys
import tempfile
import time
from pathlib import Path

REPO = Path(__file__).resolve().parents[2]
sys.path.insert(0, str(REPO / "tests" / "system"))

import device_helpers as dh  # noqa: E402
import quilpad_harness as qh  # noqa: E402

SLOT3 = r"C:\slots\three.exe"
TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime, stime


def private_kib(pid):
    total = 0
    for line in Path(f"/proc/{pid}/smaps_rollup").read_text().splitlines():
        if line.startswith(("Private_Clean:", "Private_Dirty:")):
            total += int(line.split()[1])
    return total


def pids_running(name, prefix_path):
    """Linux pids of the Wine processes whose command line names `name` and whose
    WINEPREFIX is the given prefix."""
    found = []
    for entry in Path("/proc").iterdir():
        if not entry.name.isdigit():
            continue
        try:
            cmdline = (entry / "cmdline").read_bytes().replace(b"\0", b" ").decode(errors="replace")
            if name.lower() not in cmdline.lower():
                continue
            environ = (entry / "environ").read_bytes().split(b"\0")
        except OSError:
            continue
        if f"WINEPREFIX={prefix_path}".encode() in environ:
            found.append(int(entry.name))
    return found


def measure_latency(device, prefix, presses):
    latencies = []
    for n in range(1, presses + 1):
        time.sleep(random.uniform(0.0, 0.3))
        device.press(132)
        queued = time.monotonic()
        program = prefix.unix_path(SLOT3)
        target = program.parent / f"{program.name}.run{n}"
        deadline = queued + 10
        while not target.exists():
            if time.monotonic() > deadline:
                raise qh.WaitTimeout(f"press {n} launched nothing within 10 s")
            time.sleep(0.001)
        latencies.append(time.monotonic() - queued)
    return latencies


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--presses", type=int, default=50)
    parser.add_argument("--idle-seconds", type=float, default=60.0)
    args = parser.parse_args()

    with tempfile.TemporaryDirectory(prefix="qp-bench-") as work:
        work = Path(work)
        xvfb = qh.Xvfb(work / "xvfb.log").start()
        prefix = None
        try:
            template = qh.template_prefix(xvfb.display)
            prefix = qh.WinePrefix.create(template, work / "prefix", xvfb.display, work)
            dh.install_driver(prefix)
            device = dh.Device(prefix)
            dh.install_touch_file(prefix, SLOT3)
            dh.set_slots(prefix, ["", "", "", SLOT3])
            probe = qh.Probe(prefix)
            quilpad = qh.Quilpad(prefix).install()

            launched = time.monotonic()
            quilpad.start()
            probe.wait_for_bar(timeout=30)
            device.wait_for_log(lambda log: log == [129], 10, "the start-up command")
            started = time.monotonic() - launched
            pid = qh.wait_until(lambda: pids_running("Quilpad.exe", prefix.path), 10,
                                "the program's process")[0]

            memory = private_kib(pid)

            helpers = pids_running("winedevice.exe", prefix.path) + pids_running("wineserver", prefix.path)
            before = cpu_seconds(pid)
            helpers_before = {p: cpu_seconds(p) for p in helpers}
            idle_start = time.monotonic()
            time.sleep(args.idle_seconds)
            idle = time.monotonic() - idle_start
            program_cpu = (cpu_seconds(pid) - before) * 60 / idle
            helpers_cpu = sum(cpu_seconds(p) - t for p, t in helpers_before.items()) * 60 / idle

            latencies = measure_latency(device, prefix, args.presses)
        finally:
            if prefix:
                prefix.close()
            xvfb.stop()

    ms = sorted(l * 1000 for l in latencies)
    print(f"start-up until command 129 logged:     {started * 1000:8.0f} ms")
    print(f"press-to-launch latency, {len(ms)} presses: median {statistics.median(ms):6.0f} ms, "
          f"worst {ms[-1]:6.0f} ms, best {ms[0]:6.0f} ms")
    print(f"idle CPU of the program:               {program_cpu * 1000:8.1f} ms per minute "
          f"(measured over {idle:.0f} s)")
    print(f"idle CPU of driver host + wineserver:  {helpers_cpu * 1000:8.1f} ms per minute")
    print(f"private memory after start-up:         {memory:8d} KiB (Wine process, Wine runtime included)")


if __name__ == "__main__":
    main()
