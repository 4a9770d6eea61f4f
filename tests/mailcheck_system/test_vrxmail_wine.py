"""VRXMail.DLL under Wine, loaded by name as the program loads it, against a private dovecot
and against listeners of our own."""

import socket
import time

import pytest

import quilpad_harness as qh

POP3, IMAP = 0, 1
BAD_LOGIN_IMAP = -536084222   # 0xE00C0102
BAD_LOGIN_POP3 = -536083964   # 0xE00C0204
ABORTED, TIMED_OUT, REFUSED, HOST_NOT_FOUND = 10004, 10060, 10061, 11001


@pytest.mark.stamps
@pytest.mark.parametrize("server_type", [IMAP, POP3], ids=["imap", "pop3"])
def test_counts_the_messages_that_arrived_since_the_stamp(dovecot, run_check, server_type):
    t = qh.minute_ago(3600)
    for offset in (-86400, -600, -1):
        dovecot.deliver("alice", t + offset, f"old {offset}")
    for offset in (5, 60, 900, 1800):
        dovecot.deliver("alice", t + offset, f"new {offset}")
    port = dovecot.imap_port if server_type == IMAP else dovecot.pop3_port
    code, report, output = run_check(server_type, f"127.0.0.1:{port}", "alice",
                                     dovecot.password("alice"), qh.local_stamp(t))
    assert code == 0, output
    assert report == (4, 0), output
    assert "result 0 new 4" in output  # GetMailHeader's line
    code, report, output = run_check(server_type, f"127.0.0.1:{port}", "bob",
                                     dovecot.password("bob"), qh.local_stamp(t))
    assert (code, report) == (0, (0, 0)), output


def test_wrong_password(dovecot, run_check):
    _, report, output = run_check(IMAP, f"127.0.0.1:{dovecot.imap_port}", "alice", "wrong",
                                  qh.local_stamp(qh.minute_ago(0)))
    assert report == (0, BAD_LOGIN_IMAP), output
    _, report, output = run_check(POP3, f"127.0.0.1:{dovecot.pop3_port}", "alice", "wrong",
                                  qh.local_stamp(qh.minute_ago(0)))
    assert report == (0, BAD_LOGIN_POP3), output


def test_unknown_host_and_refused_connection(run_check):
    _, report, output = run_check(IMAP, "no-such-host.invalid", "u", "p", "2026/12/07 10:00")
    assert report == (0, HOST_NOT_FOUND), output
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
    _, report, output = run_check(POP3, f"127.0.0.1:{port}", "u", "p", "2026/12/07 10:00")
    assert report == (0, REFUSED), output


def test_abort_while_the_server_says_nothing(run_check):
    with socket.socket() as listener:
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        started = time.monotonic()
        code, report, output = run_check(IMAP, f"127.0.0.1:{listener.getsockname()[1]}",
                                         "u", "p", "2026/12/07 10:00", abort_ms=300)
        elapsed = time.monotonic() - started
    assert code == 0, output
    assert report == (0, ABORTED), output
    assert elapsed < 20, f"the check took {elapsed:.1f} s"


def test_abort_while_connecting_to_a_listener_that_never_answers(run_check):
    with socket.socket() as listener:
        listener.bind(("127.0.0.1", 0))
        listener.listen(0)
        port = listener.getsockname()[1]
        fillers = []
        for _ in range(8):  # a full accept queue: further connects are neither taken nor refused
            f = socket.socket()
            f.setblocking(False)
            f.connect_ex(("127.0.0.1", port))
            fillers.append(f)
        try:
            code, report, output = run_check(POP3, f"127.0.0.1:{port}", "u", "p",
                                             "2026/12/07 10:00", abort_ms=500)
        finally:
            for f in fillers:
                f.close()
    assert code == 0, output
    assert report == (0, ABORTED), output
