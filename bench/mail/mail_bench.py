#!/usr/bin/env python3
"""How long "how many new since T" takes, on mailboxes of 100, 1,000 and 10,000 messages
(100,000 on request) of which 5 are new, over IMAP and POP3, plain and over TLS, for our
library and for reference clients.

Usage: bench/mail/mail_bench.py [--quick] [--sizes 100,1000,10000,100000] [--tls-sizes 10000]
                                [--runs 15] [--cache DIR]

The mailboxes are made once and kept in the cache folder (default /var/tmp/vrxmail-bench;
100,000 messages take about 400 MB and 20 s to write). The last old messages of each
arrived on the stamp's own day, so that a day-granular SINCE finds more than the new ones
and a client must filter exactly. A private dovecot serves them on loopback, in plain text
and over TLS (a root and a server certificate made with openssl for the run). Our library is
timed in-process by mail_bench_client (built here with g++ -O2); the reference clients are
timed as README.md says. Medians of --runs runs after one warm-up; every run's exit status
and count are checked, and a client that failed once is printed as failed, not timed.
"""

import argparse
import hashlib
import imaplib
import os
import poplib
import re
import shutil
import signal
import socket
import ssl
import statistics
import subprocess
import sys
import tempfile
import time
from email.utils import formatdate, parsedate_to_datetime
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "mailcheck_system"))
sys.path.insert(0, str(Path(__file__).resolve().parents[2] / "tests" / "system"))
from pki_files import TestPki  # noqa: E402
from private_dovecot import start_dovecot  # noqa: E402
import quilpad_harness as qh  # noqa: E402

HERE = Path(__file__).resolve().parent
REPO = HERE.parents[1]
SRC = REPO / "mailcheck" / "src"
INCLUDE = REPO / "mailcheck" / "include"
NEW = 5
# The old messages that arrived on the stamp's own day, seconds before the stamp.
SAME_DAY_OLD = (60, 20 * 60, 2 * 3600, 5 * 3600, 11 * 3600)
MAIL_UID = 65534 if os.geteuid() == 0 else os.geteuid()
# The library's own list of its native sources, so that the client keeps up with it: the
# portable sources and those of the native build's branch.
LIBRARY_LIST = REPO / "mailcheck" / "CMakeLists.txt"


def library_sources():
    text = LIBRARY_LIST.read_text()
    portable = re.search(r"set\(VRXMAIL_PORTABLE_SOURCES(.*?)\)", text, re.S).group(1)
    native = re.search(r"\nelse\(\)(.*?)target_include_directories", text, re.S).group(1)
    return [REPO / "mailcheck" / name for name in re.findall(r"src/\w+\.cpp", portable + native)]


def build_client(cache):
    sources = library_sources() + [HERE / "mail_bench_client.cpp"]
    headers = sorted(SRC.glob("*.h")) + sorted(INCLUDE.rglob("*.h"))
    digest = hashlib.sha256(b"".join(p.read_bytes() for p in sources + headers)).hexdigest()[:16]
    exe = cache / f"mail_bench_client-{digest}"
    if not exe.exists():
        print("building mail_bench_client (g++ -O2) ...", flush=True)
        subprocess.run(["g++", "-std=c++17", "-O2", "-pthread", f"-I{SRC}", f"-I{INCLUDE}",
                        *map(str, sources), "-o", str(exe), "-lssl", "-lcrypto"], check=True)
    return exe


def make_mailbox(cache, size, since):
    """size messages: 5 arrived after since; of the others, 5 arrived earlier on since's own
    UTC day (since is noon) and the rest over the year before that day."""
    home = cache / "home" / f"n{size}"
    done = home / "made"
    recipe = f"{since} year-then-same-day"
    if done.exists() and done.read_text() == recipe:
        return
    shutil.rmtree(home, ignore_errors=True)
    maildir = home / "Maildir"
    for sub in ("new", "cur", "tmp"):
        (maildir / sub).mkdir(parents=True)
    print(f"writing a mailbox of {size} messages ...", flush=True)
    old = size - NEW - len(SAME_DAY_OLD)
    span = 364 * 86400
    day = since - since % 86400
    times = [day - 365 * 86400 + (i * span) // max(old, 1) for i in range(old)]
    times += [since - before for before in SAME_DAY_OLD]
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


class Dovecot:
    def __init__(self, cache, sizes):
        self.dir = Path(tempfile.mkdtemp(prefix="vrxmail-bench-dovecot."))
        self.dir.chmod(0o755)
        pki = TestPki(self.dir / "pki")
        self.roots = pki.root_file()
        ports = []
        for _ in range(4):
            with socket.socket() as s:
                s.bind(("127.0.0.1", 0))
                ports.append(s.getsockname()[1])
        self.imap_port, self.pop3_port, self.imaps_port, self.pop3s_port = ports
        (self.dir / "users").write_text("".join(
            f"n{n}:{{PLAIN}}pw:{MAIL_UID}:{MAIL_UID}::{cache / 'home' / f'n{n}'}\n" for n in sizes))
        self.process = start_dovecot(self.dir, f"vrxmail-bench-{os.getpid()}", ports,
                                     pki.chain_file("good"), pki.key_file("good"))

    def stop(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)


NOT_MEASURED = "not measured"
CALLER_EXE = qh.WIN_BUILD / "benchbin" / "vrxmail_bench_caller.exe"
TRUST_EXE = qh.WIN_BUILD / "testbin" / "vrxmail_trust_root.exe"


def wine_path(path):
    return "Z:" + str(path).replace("/", "\\")


class WineLibrary:
    """The shipped VRXMail.DLL under Wine, called by vrxmail_bench_caller.exe in a prefix of
    its own that trusts the run's root. `reason` says why not when Wine cannot run here."""

    def __init__(self, roots, work):
        self.xvfb = self.prefix = None
        self.reason = self._unavailable()
        if self.reason:
            return
        self.xvfb = qh.Xvfb(work / "xvfb.log").start()
        template = qh.template_prefix(self.xvfb.display)
        self.prefix = qh.WinePrefix.create(template, work / "prefix", self.xvfb.display, work)
        trusted = self.prefix.run([TRUST_EXE, wine_path(roots)], timeout=60)
        if trusted.returncode != 0:
            raise RuntimeError(f"the run's root could not be trusted in the prefix: {trusted.stdout!r}")

    @staticmethod
    def _unavailable():
        for tool in (CALLER_EXE, TRUST_EXE, qh.PROGRAM_DIR / "VRXMail.DLL"):
            if not tool.is_file():
                return f"{tool} is missing: build first (scripts/build)"
        return qh.wine_unavailable()

    def check(self, protocol, host_text, user, since):
        """One process: a first check and a re-check, each timed from GetNewMail to the
        report; {"first": (ms, count), "recheck": (ms, count)}."""
        if self.reason:
            raise RuntimeError(f"{NOT_MEASURED}: {self.reason}")
        stamp = time.strftime("%Y/%m/%d %H:%M", time.gmtime(since))
        done = self.prefix.run([CALLER_EXE, wine_path(qh.PROGRAM_DIR),
                                1 if protocol == "imap" else 0, host_text, user, "pw", stamp],
                               timeout=300, extra_env={"TZ": "UTC"})
        if done.returncode != 0:
            # The caller's reason is its last line; Wine's own messages come before it.
            lines = done.stderr.decode(errors="replace").strip().splitlines() or [""]
            raise RuntimeError(f"exit status {done.returncode}: {lines[-1][-160:]}")
        return {line.split()[0]: (float(line.split()[1]), int(line.split()[2]))
                for line in done.stdout.decode().splitlines() if line.strip()}

    def close(self):
        if self.prefix:
            self.prefix.close()
        if self.xvfb:
            self.xvfb.stop()


def load_average():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


class Cell:
    """One client at one size: the median ms and the count found, or why it failed."""

    def __init__(self, ms=None, count=None, failure=None):
        self.ms, self.count, self.failure = ms, count, failure

    def text(self):
        if self.failure and NOT_MEASURED in self.failure:
            return "not run"
        if self.failure:
            return "FAILED"
        return f"{self.ms:9.1f} ({self.count})"


def once(fn):
    """One run of an outside client timed here: fn() returns the count it found or raises."""
    start = time.perf_counter()
    found = fn()
    return (time.perf_counter() - start) * 1000, found


def interleaved(groups, runs):
    """groups: {protocol: [(labels, expected, run)]}, run() giving {label: (ms, count)} for
    one run. The clients take turns, one run each per round, so that a busy moment of the
    machine falls on all of them alike; round 0 is a warm-up. A client that fails or
    miscounts once is out, and its cells say why. Returns {protocol: [(label, Cell)]}."""
    clients = [(protocol, labels, expected, run)
               for protocol, group in groups.items() for labels, expected, run in group]
    values = {(protocol, label): [] for protocol, labels, _, _ in clients for label in labels}
    failures = {}
    for round_ in range(runs + 1):
        for protocol, labels, expected, run in clients:
            if (protocol, labels[0]) in failures:
                continue
            try:
                answers = run()
                wrong = [f"{label}: found {answers[label][1]}, expected {expected}"
                         for label in labels if answers[label][1] != expected]
                if wrong:
                    raise RuntimeError("; ".join(wrong))
            except Exception as error:  # noqa: BLE001 - any failure of a client is its result
                for label in labels:
                    failures[(protocol, label)] = \
                        f"run {round_}: {type(error).__name__}: {str(error)[:160]}"
                continue
            if round_ > 0:
                for label in labels:
                    values[(protocol, label)].append(answers[label][0])
    return {protocol: [(label, Cell(failure=failures[(p, label)]) if (p, label) in failures
                        else Cell(statistics.median(values[(p, label)]), expected))
                       for p, labels, expected, _ in clients if p == protocol for label in labels]
            for protocol in groups}


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
    # fetchmail compares names, not addresses: the certificate names localhost as well.
    tls = f" ssl sslcertck sslcertfile \"{roots}\" sslcommonname localhost" if roots else ""
    rc.write_text(f"poll 127.0.0.1 protocol {protocol} port {port} user \"{user}\" "
                  f"password \"pw\" keep{tls}\n")
    rc.chmod(0o600)
    env = dict(os.environ, HOME=str(workdir), FETCHMAILHOME=str(workdir))
    proto = [] if roots else ["--sslproto", ""]
    done = subprocess.run(["fetchmail", "--check", "--nosyslog", *proto, "-f", str(rc),
                           "--pidfile", str(workdir / "fetchmail.pid"),
                           *(["--uidl"] if protocol == "POP3" else [])],
                          capture_output=True, text=True, env=env)
    said = done.stdout + done.stderr
    # 0: there is mail, 1: there is none; anything else is a failure.
    if done.returncode not in (0, 1):
        raise RuntimeError(f"exit status {done.returncode}: {said.strip()[:120]}")
    found = re.search(r"(\d+) messages? (?:\((\d+) seen\) )?for", said)
    if not found:
        raise RuntimeError(f"no count in: {said.strip()[:120]}")
    return int(found.group(1)) - int(found.group(2) or 0)


def poplib_scan(port, user, since, tls=None):
    """The bare newest-first TOP scan in Python (poplib), plain or over implicit TLS."""
    p = poplib.POP3("127.0.0.1", port) if tls is None else \
        poplib.POP3_SSL("127.0.0.1", port, context=tls)
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


FIRST = "our library, first check"
RECHECK = "our library, re-check unchanged"
WINE_FIRST = "VRXMail.DLL under Wine, first check"
WINE_RECHECK = "VRXMail.DLL under Wine, re-check"
IMAP_FLOOR = "floor: LOGIN+EXAMINE+LOGOUT (C++)"
POP3_FLOOR = "floor: USER+PASS+STAT+QUIT (C++)"


def client(exe, mode, protocol, port, user, since, form="", roots=None):
    """One timed run of mail_bench_client (after its own warm-up): {"first" and "recheck",
    "bare" or "login": (ms, count)}."""
    done = subprocess.run([str(exe), mode, protocol, f"{form}127.0.0.1:{port}", user, "pw",
                           str(since), "1", *([str(roots)] if roots else [])],
                          capture_output=True, text=True)
    if done.returncode != 0:
        raise RuntimeError(f"exit status {done.returncode}: {done.stderr.strip()[:160]}")
    return {line.split()[0]: (float(line.split()[1]), int(line.split()[2]))
            for line in done.stdout.splitlines()}


def runs_at(size, runs):
    return runs if size < 100000 else max(3, runs // 2)


def renamed(run, names):
    """run()'s answers under the table's labels."""
    answers = run()
    return {label: answers[name] for name, label in names.items()}


def measure_size(exe, server, n, since, runs, work, tls, wine):
    """Every client at one size, plain or over implicit TLS (and our library over STARTTLS
    and STLS too), taking turns; {"imap": [(label, Cell)], "pop3": [...]}."""
    user = f"n{n}"
    roots = server.roots if tls else None
    context = ssl.create_default_context(cafile=str(roots)) if tls else None
    imap_port = server.imaps_port if tls else server.imap_port
    pop3_port = server.pop3s_port if tls else server.pop3_port
    form = "tls:" if tls else ""

    def ours(protocol, port, form_, names):
        return (list(names.values()), NEW, lambda: renamed(
            lambda: client(exe, "library", protocol, port, user, since, form_, roots), names))

    def outside(label, expected, fn):
        return ([label], expected, lambda: {label: once(fn)})

    def floor(protocol, port, label):
        return ([label], n, lambda: renamed(
            lambda: client(exe, "login-only", protocol, port, user, since, "", roots),
            {"login": label}))

    def shipped(protocol, port):
        dll_form = "tls:" if tls else "plain:"
        return ([WINE_FIRST, WINE_RECHECK], NEW, lambda: renamed(
            lambda: wine.check(protocol, f"{dll_form}127.0.0.1:{port}", user, since),
            {"first": WINE_FIRST, "recheck": WINE_RECHECK}))

    imap = [ours("imap", imap_port, form, {"first": FIRST, "recheck": RECHECK}),
            shipped("imap", imap_port), floor("imap", imap_port, IMAP_FLOOR)]
    pop3 = [ours("pop3", pop3_port, form, {"first": FIRST, "recheck": RECHECK}),
            shipped("pop3", pop3_port), floor("pop3", pop3_port, POP3_FLOOR)]
    if tls:
        imap.append(ours("imap", server.imap_port, "starttls:",
                         {"first": "our library, STARTTLS, first check"}))
        pop3.append(ours("pop3", server.pop3_port, "starttls:",
                         {"first": "our library, STLS, first check"}))
    imap += [
        outside("imaplib SINCE+FETCH, exact filter", NEW,
                lambda: imaplib_since(imap_port, user, since, context)),
        outside("imaplib UID SEARCH YOUNGER", NEW,
                lambda: imaplib_younger(imap_port, user, since, context)),
        outside("curl SEARCH SAVE + FETCH $ (process)", NEW,
                lambda: curl_imap(imap_port, user, since, roots)),
        outside("fetchmail --check (process, unseen)", n,
                lambda: fetchmail_check("IMAP", imap_port, user, work, roots)),
    ]
    pop3 += [
        (["bare C++ newest-first TOP scan"], NEW, lambda: renamed(
            lambda: client(exe, "bare-pop3", "pop3", pop3_port, user, since, "", roots),
            {"bare": "bare C++ newest-first TOP scan"})),
        outside("poplib newest-first TOP scan", NEW,
                lambda: poplib_scan(pop3_port, user, since, context)),
        outside("fetchmail --check --uidl (process)", n,
                lambda: fetchmail_check("POP3", pop3_port, user, work, roots)),
    ]
    return interleaved({"imap": imap, "pop3": pop3}, runs_at(n, runs))


# The goals: our first check beside the best reference that answers the same question, our
# re-check of an unchanged mailbox beside the least any check costs.
GOALS = {
    "imap": [("first check: 1.2x of best imaplib/curl", FIRST,
              ("imaplib SINCE+FETCH, exact filter", "imaplib UID SEARCH YOUNGER",
               "curl SEARCH SAVE + FETCH $ (process)")),
             ("re-check: 1.2x of the login floor", RECHECK, (IMAP_FLOOR,))],
    "pop3": [("first check: 1.2x of bare C++ scan", FIRST, ("bare C++ newest-first TOP scan",)),
             ("re-check: 1.2x of the login floor", RECHECK, (POP3_FLOOR,))],
}


def goal_cells(ours_label, peers, results, protocol):
    """Whether our figure is within 1.2x of the best of its peers, at each size."""
    cells = []
    for columns in results:
        rows = dict(columns[protocol])
        ours = rows[ours_label]
        timed_peers = [rows[name].ms for name in peers if not rows[name].failure]
        if ours.failure or not timed_peers:
            cells.append("no verdict")
            continue
        ratio = ours.ms / min(timed_peers)
        cells.append(f"{ratio:.2f}x {'met' if ratio <= 1.2 else 'NOT met'}")
    return cells


def print_table(title, protocol, sizes, results, runs):
    print()
    print(f"{title:<37}" + "".join(f"{n:>16,}" for n in sizes))
    print(f"{'  runs per size (after one warm-up)':<37}" +
          "".join(f"{runs_at(n, runs):>16}" for n in sizes))
    for i, (label, _) in enumerate(results[0][protocol]):
        print(f"  {label:<35}" + "".join(f"{r[protocol][i][1].text():>16}" for r in results))
    for title_, ours_label, peers in GOALS[protocol]:
        print(f"  {title_:<35}" +
              "".join(f"{c:>16}" for c in goal_cells(ours_label, peers, results, protocol)))


def print_failures(results_by_title):
    """Lists the rows that have no figure; true when there is one."""
    failures = [(title, n, label, cell.failure) for title, sizes, results in results_by_title
                for n, columns in zip(sizes, results) for protocol in ("imap", "pop3")
                for label, cell in columns[protocol] if cell.failure]
    not_run = sorted({(label, why.split(NOT_MEASURED + ": ", 1)[1]) for _, _, label, why
                      in failures if NOT_MEASURED in why})
    failures = [f for f in failures if NOT_MEASURED not in f[3]]
    if not_run:
        print()
        print("Not run:")
        for label, why in not_run:
            print(f"  {label}: {why}")
    if failures:
        print()
        print("Failures (not timed):")
        for title, n, label, why in failures:
            print(f"  {title}, {n:,}, {label}: {why}")
    return bool(not_run or failures)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--sizes", default="100,1000,10000",
                        help="mailbox sizes, e.g. 100,1000,10000,100000 (100,000 is slow to make)")
    parser.add_argument("--tls-sizes", default="10000",
                        help="sizes that also get the TLS rows (empty for none)")
    parser.add_argument("--runs", type=int, default=15)
    parser.add_argument("--quick", action="store_true",
                        help="the smallest mailbox, plain and TLS, 2 runs: to see that it runs")
    parser.add_argument("--cache", default=os.environ.get("VRXMAIL_BENCH_CACHE",
                                                          "/var/tmp/vrxmail-bench"))
    args = parser.parse_args()
    if args.quick:
        args.sizes, args.tls_sizes, args.runs = "100", "100", 2
    sizes = [int(s) for s in args.sizes.split(",") if s]
    tls_sizes = [int(s) for s in args.tls_sizes.split(",") if s]
    print(f"load average at start: {load_average()}", flush=True)
    cache = Path(args.cache)
    cache.mkdir(parents=True, exist_ok=True)
    cache.chmod(0o755)
    (cache / "home").mkdir(exist_ok=True)
    exe = build_client(cache)
    since_file = cache / "since-noon"
    if not since_file.exists():
        today = int(time.time()) // 86400 * 86400
        since_file.write_text(str(today - 86400 + 12 * 3600))  # yesterday, 12:00 UTC
    since = int(since_file.read_text())
    every_size = sorted(set(sizes) | set(tls_sizes))
    for n in every_size:
        make_mailbox(cache, n, since)
    os.environ["TZ"] = "UTC"
    time.tzset()
    server = Dovecot(cache, every_size)
    work = Path(tempfile.mkdtemp(prefix="vrxmail-bench-work."))
    wine = None
    try:
        wine = WineLibrary(server.roots, work)
        plain = [measure_size(exe, server, n, since, args.runs, work, False, wine) for n in sizes]
        tls = [measure_size(exe, server, n, since, args.runs, work, True, wine) for n in tls_sizes]
    finally:
        if wine:
            wine.close()
        server.stop()
        shutil.rmtree(work, ignore_errors=True)

    print()
    print(f"Median ms (count found) after one warm-up; {NEW} new messages in each mailbox, "
          f"{len(SAME_DAY_OLD)} old ones earlier on the stamp's day; stamp "
          f"{time.strftime('%Y-%m-%d %H:%M', time.gmtime(since))} UTC.")
    tables = []
    if sizes:
        print_table("IMAP, plain", "imap", sizes, plain, args.runs)
        print_table("POP3, plain", "pop3", sizes, plain, args.runs)
        tables.append(("plain", sizes, plain))
    if tls_sizes:
        print_table("IMAP, implicit TLS", "imap", tls_sizes, tls, args.runs)
        print_table("POP3, implicit TLS", "pop3", tls_sizes, tls, args.runs)
        tables.append(("TLS", tls_sizes, tls))
    missing = print_failures(tables)
    print()
    print(f"load average at end: {load_average()}")
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main())
