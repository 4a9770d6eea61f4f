"""VRXMail.DLL over TLS under Wine (Schannel), against a private dovecot with certificates of a
test root that is trusted only inside this module's Wine prefix."""

import socket
import time

import pytest

import quilpad_harness as qh
from pki_files import TestPki

POP3, IMAP = 0, 1
ABORTED = 10004


def signed(code):
    return code - (1 << 32) if code >= 1 << 31 else code


TLS_FAILED = signed(0xE00C0300)
STARTTLS_UNAVAILABLE = signed(0xE00C0301)
SELF_SIGNED = signed(0xE00C0310)
UNTRUSTED_ROOT = signed(0xE00C0311)
INCOMPLETE_CHAIN = signed(0xE00C0312)
EXPIRED = signed(0xE00C0314)
NAME_MISMATCH = signed(0xE00C0315)

TRUST_EXE = qh.WIN_BUILD / "testbin" / "vrxmail_trust_root.exe"


def wine_path(path):
    return "Z:" + str(path).replace("/", "\\")


@pytest.fixture(scope="module")
def pki(tmp_path_factory):
    folder = tmp_path_factory.mktemp("pki")
    folder.chmod(0o755)  # dovecot's processes read the certificates
    return TestPki(folder)


@pytest.fixture(scope="module")
def trusting_prefix(wine_prefix, pki):
    if not TRUST_EXE.is_file():
        pytest.fail(f"{TRUST_EXE} is missing: build first (scripts/build)", pytrace=False)
    done = wine_prefix.run([TRUST_EXE, wine_path(pki.root_file())], timeout=60)
    assert done.returncode == 0, done.stdout.decode(errors="replace")
    return wine_prefix


@pytest.fixture
def tls_dovecot(pki, trusting_prefix):
    """Starts a dovecot that presents the chain of the given kind."""
    from private_dovecot import PrivateDovecot
    started = []

    def start(kind):
        server = PrivateDovecot(tls_chain=pki.chain_file(kind), tls_key=pki.key_file(kind))
        started.append(server)
        return server

    yield start
    for server in started:
        server.stop()


def assert_no_login_attempt(dovecot, user):
    """The server's log shows connections, each ended without any authentication tried."""
    log = dovecot.log()
    assert " auth: " not in log, log
    assert f"user=<{user}>" not in log, log
    logins = [line for line in log.splitlines() if "-login: " in line]
    assert logins, log
    for line in logins:
        assert "(no auth attempts in " in line or "disconnected before auth was ready" in line, line


@pytest.mark.stamps
def test_implicit_tls_and_starttls_count_new_mail(tls_dovecot, run_check):
    dovecot = tls_dovecot("good")
    t = qh.minute_ago(3600)
    for offset in (-86400, -1):
        dovecot.deliver("alice", t + offset, f"old {offset}")
    for offset in (5, 600, 1800):
        dovecot.deliver("alice", t + offset, f"new {offset}")
    ways = [
        (IMAP, f"tls:127.0.0.1:{dovecot.imaps_port}"),
        (POP3, f"tls:localhost:{dovecot.pop3s_port}"),
        (IMAP, f"localhost:{dovecot.imap_port}"),  # a name on a port of its own: STARTTLS
        (POP3, f"starttls:127.0.0.1:{dovecot.pop3_port}"),
    ]
    for server_type, host in ways:
        code, report, output = run_check(server_type, host, "alice", dovecot.password("alice"),
                                         qh.local_stamp(t))
        assert code == 0, output
        assert report == (3, 0), f"{host}: {output}"
    log = dovecot.log()
    assert log.count("Login: user=<alice>") == 4, log
    assert "TLS" in log


@pytest.mark.stamps
def test_a_chain_through_an_intermediate_is_trusted(tls_dovecot, run_check):
    dovecot = tls_dovecot("via-intermediate")
    _, report, output = run_check(IMAP, f"tls:localhost:{dovecot.imaps_port}", "bob",
                                  dovecot.password("bob"), qh.local_stamp(qh.minute_ago(0)))
    assert report == (0, 0), output


@pytest.mark.parametrize("kind, expected", [
    ("self-signed", SELF_SIGNED),
    ("wrong-name", NAME_MISMATCH),
    ("expired", EXPIRED),
    ("untrusted-root", UNTRUSTED_ROOT),
    ("partial-chain", INCOMPLETE_CHAIN),
])
def test_a_certificate_fault_fails_with_its_code_before_any_password(tls_dovecot, run_check,
                                                                      kind, expected):
    dovecot = tls_dovecot(kind)
    ways = [
        (IMAP, f"tls:127.0.0.1:{dovecot.imaps_port}"),
        (POP3, f"localhost:{dovecot.pop3_port}"),
    ]
    for server_type, host in ways:
        code, report, output = run_check(server_type, host, "alice", dovecot.password("alice"),
                                         qh.local_stamp(qh.minute_ago(0)))
        assert code == 0, output
        assert report == (0, expected), f"{host}: {output}"
    assert_no_login_attempt(dovecot, "alice")


def test_starttls_required_but_not_offered_sends_no_password(dovecot, run_check):
    for server_type, port in ((IMAP, dovecot.imap_port), (POP3, dovecot.pop3_port)):
        _, report, output = run_check(server_type, f"starttls:127.0.0.1:{port}", "alice",
                                      dovecot.password("alice"), qh.local_stamp(qh.minute_ago(0)))
        assert report == (0, STARTTLS_UNAVAILABLE), output
    assert_no_login_attempt(dovecot, "alice")


def test_a_server_that_does_not_speak_tls(run_check):
    with socket.socket() as listener:
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        port = listener.getsockname()[1]

        def answer_in_plain_text():
            connection, _ = listener.accept()
            with connection:
                connection.recv(4096)
                connection.sendall(b"* OK IMAP4rev1 ready\r\n")

        import threading
        server = threading.Thread(target=answer_in_plain_text, daemon=True)
        server.start()
        _, report, output = run_check(IMAP, f"tls:127.0.0.1:{port}", "u", "p", "2026/12/07 10:00")
        server.join(10)
    assert report == (0, TLS_FAILED), output


def test_abort_during_the_tls_handshake(run_check):
    with socket.socket() as listener:
        listener.bind(("127.0.0.1", 0))
        listener.listen(1)
        started = time.monotonic()
        code, report, output = run_check(POP3, f"tls:127.0.0.1:{listener.getsockname()[1]}",
                                         "u", "p", "2026/12/07 10:00", abort_ms=300)
        elapsed = time.monotonic() - started
    assert code == 0, output
    assert report == (0, ABORTED), output
    assert elapsed < 20, f"the check took {elapsed:.1f} s"
