"""A short soak: forty cycles of use with one of each fault (see soak_cycles.py), the real
program driven by soak_driver.exe; bench/soak runs the long ones and prints the figures."""

import device_helpers
import quilpad_harness as qh
import soak_cycles
from test_mail_reports import dovecot  # noqa: F401

WARM_UP, CYCLES, FAULT_EVERY = 5, 40, 13
HANDLES_ABOVE_FLOOR, THREADS_MORE, EXIT_MS = 5, 2, 5000


def test_forty_cycles_with_each_fault_keep_every_press_and_check_and_no_handle_is_lost(
        quilpad, prefix, dovecot, tmp_path):
    device_helpers.install_driver(prefix)
    soak_cycles.prepare(prefix, dovecot)
    quilpad.start(extra_env=device_helpers.null_sound_env(tmp_path))
    driver = soak_cycles.SoakDriver(prefix)
    try:
        soak = soak_cycles.Soak(prefix, dovecot, driver)
        soak.find()
        device_helpers.Device(prefix).power_reply(1)
        pid = qh.wait_until(lambda: soak_cycles.linux_pid(prefix), 10, "the program's process")
        for cycle in range(WARM_UP):
            soak.cycle(cycle)
        start, launches0 = soak.census(pid), soak.launches()
        checks0, reports0, presses0 = soak.checks, soak.reports, soak.presses
        for cycle in range(WARM_UP, WARM_UP + CYCLES):
            soak.cycle(cycle)
            if (cycle - WARM_UP + 1) % FAULT_EVERY == 0:
                soak.fault(cycle, (cycle - WARM_UP + 1) // FAULT_EVERY - 1)
        end = soak.census(pid)
        presses = soak.presses - presses0
        assert soak.missed == []
        assert soak.reports - reports0 == soak.checks - checks0
        assert soak.launches(launches0 + presses) - launches0 == presses
        assert soak.message_boxes() == 0
        exit_ms = soak.exit_ms()
        assert exit_ms is not None and exit_ms <= EXIT_MS

        # The system's file chooser keeps a key open for every file chosen: the same
        # openings in a program that does nothing else are the floor.
        floor_start, floor_end = soak_cycles.chooser_floor(
            prefix, soak, soak.chooser_openings(0, WARM_UP), soak.chooser_openings(WARM_UP, CYCLES))
        floor = floor_end[0]["handles"] - floor_start[0]["handles"]
        assert end["handles"] - start["handles"] - max(floor, 0) <= HANDLES_ABOVE_FLOOR, (start, end)
        assert end["threads"] - start["threads"] <= THREADS_MORE, (start, end)
    finally:
        driver.close()
