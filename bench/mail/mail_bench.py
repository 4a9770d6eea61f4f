#!/usr/bin/env python3
"""How long "how many new since T" takes, on mailboxes of 100, 1,000, 10,000 and 100,000
messages of which 5 are new, over IMAP and POP3, for our library and for reference clients.

Usage: bench/mail/mail_bench.py [--sizes 100,1000] [--tls-sizes 10000] [--runs 15] [--cache DIR]

The mailboxes are made once and kept in the cache folder (default /var/tmp/vrxmail-bench;
100,000 messages take about 400 MB and 20 s to write). A private dovecot serves them on
loopback, in plain text and over TLS (a root and a server certificate made with openssl for
the run). Our library is timed in-process by mail_bench_client (built here with g++ -O2);
the reference clients are timed as README.md says. Medians of --runs runs after one warm-up.
"""

import argparse
import hashlib
import imaplib
import os
import poplib
import shutil
import signal
import socket
import ssl
import statistics
import subprocess
import sys
import tempfile
import time
from email.utils import formatdate
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "mailcheck_system"))
from private_dovecot import start_dovecot  # noqa: E402

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[1]
SRC = REPO / "mailcheck" / "src"
NEW = 5
MAIL_UID = 65534 if os.geteuid() == 0 else os.geteuid()
CLIENT_SOURCES = ["arrival_cache.cpp", "civil_time.cpp", "header_dates.cpp", "host_port.cpp",
                  "imap_date.cpp", "imap_scanner.cpp", "imap_session.cpp", "line_reader.cpp",
                  "mail_check.cpp", "mail_date.cpp", "pop3_session.cpp", "since_stamp.cpp",
                  "local_time_posix.cpp", "socket_errors_posix.cpp", "tcp_posix.cpp",
                  "cert_faults.cpp", "server_address.cpp", "tls_openssl.cpp"]


def build_client(cache):
    sources = [SRC / s for s in CLIENT_SOURCES] + [HERE / "mail_bench_client.cpp"]
    digest = hashlib.sha256(b"".join(p.read_bytes() for p in sources)).hexdigest()[:16]
    exe = cache / f"mail_bench_client-{digest}"
    if not exe.exists():
        print("building mail_bench_client (g++ -O2) ...", flush=True)
        subprocess.run(["g++", "-std=c++17", "-O2", "-pthread", f"-I{SRC}", *map(str, sources),
                        "-o", str(exe), "-lssl", "-lcrypto"], check=True)
    return exe


def make_mailbox(cache, size, since):
    """size messages: size-5 arrived over the year up to two days before since, 5 after it."""
    home = cache / "home" / f"n{size}"
    done = home / "made"
    recipe = f"{since} year-to-two-days-before"
    if done.exists() and done.read_text() == recipe:
        return
    shutil.rmtree(home, ignore_errors=True)
    maildir = home / "Maildir"
    for sub in ("new", "cur", "tmp"):
        (maildir / sub).mkdir(parents=True)
    print(f"writing a mailbox of {size} messages ...", flush=True)
    old = size - NEW
    span = 363 * 86400
    times = [since - 365 * 86400 + (i * span) // max(old, 1) for i in range(old)]
    times += [since + 60 + i * 60 for i in range(NEW)]
    for i, arrival in enumerate(times):
        date = formatdate(arrival, usegmt=True)
        name = f"{arrival}.M{i:06d}.bench"
        path = maildir / "new" / name
        path.write_bytes((f"Return-Path: <s@example.org>\r\n"
                          f"Received: from relay.example.org by mx.example.org; {date}\r\n"
                          f"Date: {date}\r\nFrom: s@example.org\r\nTo: n{size}@example.org\r\n"
                          f"Subject: message {i}\r\n\r\n" + "body line\r\n" * 20).encode())
        os.utime(path, (arrival, arrival))
    for path in [home, *home.rglob("*")]:
        os.chown(path, MAIL_UID, MAIL_UID)
    done.write_text(recipe)


def make_certificates(folder):
    """A root (root.pem) and a server certificate for 127.0.0.1 under it (server.pem/.key)."""
    def openssl(*args):
        subprocess.run(["openssl", *args], cwd=folder, check=True, capture_output=True)
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes"]
    openssl("req", "-x509", *ec, "-keyout", "root.key", "-out", "root.pem", "-days", "2",
            "-subj", "/CN=Quilpad Bench Root", "-addext", "basicConstraints=critical,CA:TRUE")
    openssl("req", "-new", *ec, "-keyout", "server.key", "-out", "server.csr",
            "-subj", "/CN=127.0.0.1")
    (folder / "server.ext").write_text("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                                       "extendedKeyUsage=serverAuth\n")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "root.pem", "-CAkey", "root.key",
            "-CAcreateserial", "-days", "2", "-extfile", "server.ext", "-out", "server.pem")


class Dovecot:
    def __init__(self, cache, sizes):
        self.dir = Path(tempfile.mkdtemp(prefix="vrxmail-bench-dovecot."))
        self.dir.chmod(0o755)
        make_certificates(self.dir)
        self.roots = self.dir / "root.pem"
        ports = []
        for _ in range(4):
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                ports.append(s.getsockname()[1])
        self.imap_port, self.pop3_port, self.imaps_port, self.pop3s_port = ports
        (self.dir / "users").write_text("".join(
            f"n{n}:{{PLAIN}}pw:{MAIL_UID}:{MAIL_UID}::{cache / 'home' / f'n{n}'}\n" for n in sizes))
        self.process = start_dovecot(self.dir, f"vrxmail-bench-{os.getpid()}", ports,
                                     self.dir / "server.pem", self.dir / "server.key")

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


def timed(fn, runs):
    fn()  # warm-up
    values = []
    result = None
    for _ in range(runs):
        start = time.perf_counter()
        result = fn()
        values.append((time.perf_counter() - start) * 1000)
    return statistics.median(values), result


def imap_connection(port, tls):
    """tls: None (plain) or an ssl.SSLContext for implicit TLS."""
    if tls is None:
        return imaplib.IMAP4("127.0.0.1", port)
    return imaplib.IMAP4_SSL("127.0.0.1", port, ssl_context=tls)


def imaplib_since(port, user, since, tls=None):
    day = time.strftime("%d-%b-%Y", time.gmtime(since - 86400))
    m = imap_connection(port, tls)
    m.login(user, "pw")
    m.select("INBOX", readonly=True)
    _, data = m.uid("SEARCH", None, "SINCE", day)
    uids = data[0].split()
    count = 0
    if uids:
        _, data = m.uid("FETCH", b",".join(uids).decode(), "(INTERNALDATE)")
        for item in data:
            text = item.decode() if isinstance(item, bytes) else item[0].decode()
            stamp = imaplib.Internaldate2tuple(text.encode())
            if stamp and time.mktime(stamp) >= since:
                count += 1
    m.logout()
    return count


def imaplib_younger(port, user, since, tls=None):
    m = imap_connection(port, tls)
    m.login(user, "pw")
    m.select("INBOX", readonly=True)
    _, data = m.uid("SEARCH", None, "YOUNGER", str(int(time.time()) - since))
    m.logout()
    return len(data[0].split())


def curl_imap(port, user, since, roots=None):
    day = time.strftime("%d-%b-%Y", time.gmtime(since - 86400))
    url = f"{'imaps' if roots else 'imap'}://127.0.0.1:{port}/INBOX"
    trust = ["--cacert", str(roots)] if roots else []
    out = subprocess.run(
        ["curl", "-s", *trust, "-u", f"{user}:pw", url, "-X",
         f"UID SEARCH RETURN (SAVE) SINCE {day}",
         "--next", "-s", *trust, "-u", f"{user}:pw", url, "-X", "UID FETCH $ (INTERNALDATE)"],
        capture_output=True, text=True, check=True).stdout
    count = 0
    for line in out.splitlines():
        if "INTERNALDATE" in line:
            stamp = imaplib.Internaldate2tuple(line.encode())
            if stamp and time.mktime(stamp) >= since:
                count += 1
    return count


def fetchmail_check(protocol, port, user, workdir, roots=None):
    rc = workdir / f"fetchmailrc-{protocol}-{user}-{'tls' if roots else 'plain'}"
    tls = f" ssl sslcertck sslcertfile \"{roots}\"" if roots else ""
    rc.write_text(f"poll 127.0.0.1 protocol {protocol} port {port} user \"{user}\" "
                  f"password \"pw\" keep{tls}\n")
    rc.chmod(0o600)
    env = dict(os.environ, HOME=str(workdir), FETCHMAILHOME=str(workdir))
    proto = [] if roots else ["--sslproto", ""]
    done = subprocess.run(["fetchmail", "--check", "--nosyslog", *proto, "-f", str(rc),
                           "--pidfile", str(workdir / "fetchmail.pid"),
                           *(["--uidl"] if protocol == "POP3" else [])],
                          capture_output=True, text=True, env=env)
    words = [line for line in (done.stdout + done.stderr).splitlines()
             if line and "Running as root" not in line]
    return words[0][:100] if words else f"exit status {done.returncode}"


def poplib_scan(port, user, since, tls):
    """The bare newest-first TOP scan over implicit TLS, in Python (poplib)."""
    from email.utils import parsedate_to_datetime
    p = poplib.POP3_SSL("127.0.0.1", port, context=tls)
    p.user(user)
    p.pass_("pw")
    n, _ = p.stat()
    count = 0
    for i in range(n, 0, -1):
        _, lines, _ = p.top(i, 0)
        received = [l for l in lines if l.lower().startswith(b"received:")]
        date = received[0].decode().rsplit(";", 1)[1].strip() if received else None
        if date and parsedate_to_datetime(date).timestamp() < since:
            break
        count += 1
    p.quit()
    return count


def client(exe, mode, protocol, port, user, since, runs, form="", roots=None):
    out = subprocess.run([str(exe), mode, protocol, f"{form}127.0.0.1:{port}", user, "pw",
                          str(since), str(runs), *([str(roots)] if roots else [])],
                         capture_output=True, text=True, check=True).stdout
    return {line.split()[0]: (float(line.split()[1]), int(line.split()[2]))
            for line in out.splitlines()}


def tls_row(exe, server, n, since, runs, work):
    """The same question over TLS: our library (OpenSSL behind the same seam as Schannel)
    beside the same reference clients, all trusting only the run's root."""
    user = f"n{n}"
    runs = runs if n < 100000 else max(3, runs // 2)
    roots = server.roots
    context = ssl.create_default_context(cafile=str(roots))
    imap_tls = client(exe, "library", "imap", server.imaps_port, user, since, runs, "tls:", roots)
    imap_starttls = client(exe, "library", "imap", server.imap_port, user, since, runs,
                           "starttls:", roots)
    pop3_tls = client(exe, "library", "pop3", server.pop3s_port, user, since, runs, "tls:", roots)
    pop3_starttls = client(exe, "library", "pop3", server.pop3_port, user, since, runs,
                           "starttls:", roots)
    imap = [
        ("our library, implicit TLS (in-process)", imap_tls["first"]),
        ("our library, STARTTLS (in-process)", imap_starttls["first"]),
        ("imaplib SINCE+FETCH, exact filter",
         timed(lambda: imaplib_since(server.imaps_port, user, since, context), runs)),
        ("imaplib UID SEARCH YOUNGER",
         timed(lambda: imaplib_younger(server.imaps_port, user, since, context), runs)),
        ("curl SEARCH SAVE + FETCH $ (process)",
         timed(lambda: curl_imap(server.imaps_port, user, since, roots), runs)),
        ("fetchmail --check (process, unseen)",
         timed(lambda: fetchmail_check("IMAP", server.imaps_port, user, work, roots), runs)),
    ]
    pop3 = [
        ("our library, implicit TLS, first check", pop3_tls["first"]),
        ("our library, implicit TLS, re-check", pop3_tls["recheck"]),
        ("our library, STLS, first check", pop3_starttls["first"]),
        ("poplib newest-first TOP scan",
         timed(lambda: poplib_scan(server.pop3s_port, user, since, context), runs)),
        ("fetchmail --check --uidl (process)",
         timed(lambda: fetchmail_check("POP3", server.pop3s_port, user, work, roots), runs)),
    ]
    return n, imap, pop3


def print_tls(tls_rows, runs):
    for n, imap, pop3 in tls_rows:
        for title, entries in ((f"IMAP over TLS, {n:,} messages", imap),
                               (f"POP3 over TLS, {n:,} messages", pop3)):
            print()
            print(title)
            for label, (ms, found) in entries:
                shown = found if isinstance(found, int) else "-"
                print(f"  {label:<42}{ms:9.1f} ({shown})")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", default="100,1000,10000,100000")
    parser.add_argument("--tls-sizes", default="10000",
                        help="sizes that also get the TLS rows (empty for none)")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--cache", default=os.environ.get("VRXMAIL_BENCH_CACHE",
                                                          "/var/tmp/vrxmail-bench"))
    args = parser.parse_args()
    sizes = [int(s) for s in args.sizes.split(",") if s]
    tls_sizes = [int(s) for s in args.tls_sizes.split(",") if s]
    cache = Path(args.cache)
    cache.mkdir(parents=True, exist_ok=True)
    cache.chmod(0o755)
    (cache / "home").mkdir(exist_ok=True)
    exe = build_client(cache)
    since_file = cache / "since"
    if not since_file.exists():
        now = int(time.time())
        since_file.write_text(str(now - now % 60 - 86400))
    since = int(since_file.read_text())
    every_size = sorted(set(sizes) | set(tls_sizes))
    for n in every_size:
        make_mailbox(cache, n, since)
    os.environ["TZ"] = "UTC"
    time.tzset()
    server = Dovecot(cache, every_size)
    work = Path(tempfile.mkdtemp(prefix="vrxmail-bench-work."))
    rows = []
    tls_rows = []
    try:
        for n in sizes:
            user = f"n{n}"
            runs = args.runs if n < 100000 else max(3, args.runs // 2)
            lib_imap = client(exe, "library", "imap", server.imap_port, user, since, runs)
            lib_pop3 = client(exe, "library", "pop3", server.pop3_port, user, since, runs)
            bare = client(exe, "bare-pop3", "pop3", server.pop3_port, user, since, runs)
            since_ms, since_count = timed(lambda: imaplib_since(server.imap_port, user, since), runs)
            younger_ms, younger_count = timed(
                lambda: imaplib_younger(server.imap_port, user, since), runs)
            curl_ms, curl_count = timed(lambda: curl_imap(server.imap_port, user, since), runs)
            fm_imap_ms, fm_imap = timed(
                lambda: fetchmail_check("IMAP", server.imap_port, user, work), runs)
            fm_pop3_ms, fm_pop3 = timed(
                lambda: fetchmail_check("POP3", server.pop3_port, user, work), runs)
            rows.append((n, lib_imap["first"], (since_ms, since_count), (younger_ms, younger_count),
                         (curl_ms, curl_count), (fm_imap_ms, fm_imap), lib_pop3["first"],
                         lib_pop3["recheck"], bare["bare"], (fm_pop3_ms, fm_pop3)))
        for n in tls_sizes:
            tls_rows.append(tls_row(exe, server, n, since, args.runs, work))
    finally:
        server.stop()
        shutil.rmtree(work, ignore_errors=True)

    print()
    print(f"Median ms (count found) of {args.runs} runs; {NEW} new messages in each mailbox.")
    print()
    print("IMAP                                 " + "".join(f"{n:>16,}" for n in sizes))
    labels = ["our library (in-process)", "imaplib SINCE+FETCH, exact filter",
              "imaplib UID SEARCH YOUNGER", "curl SEARCH SAVE + FETCH $ (process)",
              "fetchmail --check (process, unseen)"]
    for i, label in enumerate(labels):
        cells = []
        for row in rows:
            ms, found = row[1 + i]
            cells.append(f"{ms:9.1f} ({found})" if isinstance(found, int) else f"{ms:9.1f} (-)")
        print(f"  {label:<35}" + "".join(f"{c:>16}" for c in cells))
    print()
    print("POP3                                 " + "".join(f"{n:>16,}" for n in sizes))
    labels = ["our library, first check", "our library, re-check unchanged",
              "bare newest-first TOP scan", "fetchmail --check --uidl (process)"]
    for i, label in enumerate(labels):
        cells = []
        for row in rows:
            ms, found = row[6 + i]
            cells.append(f"{ms:9.1f} ({found})" if isinstance(found, int) else f"{ms:9.1f} (-)")
        print(f"  {label:<35}" + "".join(f"{c:>16}" for c in cells))
    print_tls(tls_rows, args.runs)
    print()
    print("fetchmail's own words, last run:")
    for row in rows:
        print(f"  {row[0]:>7,} IMAP: {row[5][1]}")
        print(f"  {row[0]:>7,} POP3: {row[9][1]}")


if __name__ == "__main__":
    sys.exit(main())
