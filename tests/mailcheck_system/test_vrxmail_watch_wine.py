"""The watch of VRXMail.DLL under Wine (StartMailWatch, StopMailWatch), loaded by name as the
program loads it, against a private dovecot."""

import threading
import time

import quilpad_harness as qh

WATCH_EXE = qh.WIN_BUILD / "testbin" / "vrxmail_wine_watch.exe"
NOT_IMAP = 4


def test_a_delivery_while_watching_is_told(dovecot, wine_prefix):
    assert WATCH_EXE.is_file(), f"{WATCH_EXE} is missing: build first (scripts/build)"
    result = {}

    def watch():
        result["done"] = wine_prefix.run(
            [WATCH_EXE, "Z:" + str(qh.PROGRAM_DIR).replace("/", "\\"),
             f"127.0.0.1:{dovecot.imap_port}", "alice", dovecot.password("alice"), 40],
            timeout=90)

    watcher = threading.Thread(target=watch)
    watcher.start()
    # The watch tells nothing when it first reaches IDLE: a message a second until it is told.
    deliveries = 0
    while watcher.is_alive() and deliveries < 40:
        dovecot.deliver("alice", time.time(), f"while watching {deliveries}")
        deliveries += 1
        watcher.join(1.0)
    watcher.join()
    output = result["done"].stdout.decode(errors="replace")
    assert f"pop3 {NOT_IMAP}" in output, output
    assert "started 0" in output, output
    assert "event 1" in output, output
    assert "stopped 0 0" in output, output
    assert result["done"].returncode == 0, output
