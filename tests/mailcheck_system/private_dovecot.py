"""A private dovecot on free loopback ports with maildirs the tests write."""

import contextlib
import fcntl
import grp
import os
import pwd
import shutil
import signal
import socket
import subprocess
import tempfile
import time
from email.utils import formatdate
from pathlib import Path

DOVECOT = "/usr/sbin/dovecot"
MAIL_UID = 65534 if os.geteuid() == 0 else os.geteuid()


# Test sessions that run side by side start dovecots too: a port found free is bound by
# its dovecot before another session may look for one.
PORTS_LOCK = Path(tempfile.gettempdir()) / "quilpad-test-ports.lock"


@contextlib.contextmanager
def _choosing_ports():
    with open(PORTS_LOCK, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def _answers(port):
    try:
        with socket.create_connection(("127.0.0.1", port), timeout=0.5):
            return True
    except OSError:
        return False


def _unprivileged_settings():
    """Without root, dovecot's own processes run as the caller and cannot chroot."""
    if os.geteuid() == 0:
        return ""
    user = pwd.getpwuid(os.geteuid()).pw_name
    group = grp.getgrgid(os.getegid()).gr_name
    return (f"default_login_user = {user}\ndefault_internal_user = {user}\n"
            f"default_internal_group = {group}\n" +
            "".join(f"service {name} {{\n  chroot =\n}}\n"
                    for name in ("anvil", "imap-login", "pop3-login")))


def start_dovecot(directory, instance, ports, tls_chain=None, tls_key=None, extra=""):
    """Writes directory/dovecot.conf (users in directory/users, base and state folders
    inside) and starts dovecot on loopback with ports (imap, pop3, imaps, pop3s; 0 leaves
    one out). Returns the master process once every port answers."""
    imap, pop3, imaps, pop3s = ports
    ssl = (f"ssl = yes\nssl_cert = <{tls_chain}\nssl_key = <{tls_key}\n"
           "ssl_min_protocol = TLSv1.2") if tls_chain else "ssl = no"
    for sub in ("base", "state"):
        (directory / sub).mkdir(exist_ok=True)
    (directory / "dovecot.conf").write_text(f"""\
instance_name = {instance}
base_dir = {directory}/base
state_dir = {directory}/state
log_path = {directory}/dovecot.log
listen = 127.0.0.1
protocols = imap pop3
{ssl}
{extra}
{_unprivileged_settings()}disable_plaintext_auth = no
auth_failure_delay = 0
mail_location = maildir:~/Maildir
first_valid_uid = 1
passdb {{
  driver = passwd-file
  args = scheme=PLAIN {directory}/users
}}
userdb {{
  driver = passwd-file
  args = {directory}/users
}}
service imap-login {{
  inet_listener imap {{
    port = {imap}
  }}
  inet_listener imaps {{
    port = {imaps}
  }}
}}
service pop3-login {{
  inet_listener pop3 {{
    port = {pop3}
  }}
  inet_listener pop3s {{
    port = {pop3s}
  }}
}}
service anvil {{
  unix_listener anvil-auth-penalty {{
    mode = 0
  }}
}}
""")
    process = subprocess.Popen(
        [DOVECOT, "-F", "-c", str(directory / "dovecot.conf")],
        env={"TZ": "UTC", "PATH": "/usr/sbin:/usr/bin:/sbin:/bin"},
        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    deadline = time.monotonic() + 10
    while not all(_answers(p) for p in ports if p):
        if process.poll() is not None or time.monotonic() > deadline:
            log = directory / "dovecot.log"
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGKILL)
            raise RuntimeError("private dovecot did not start: " +
                               (log.read_text(errors="replace") if log.exists() else ""))
        time.sleep(0.01)
    return process


class PrivateDovecot:
    def __init__(self, users=("alice", "bob"), tls_chain=None, tls_key=None):
        """With tls_chain and tls_key (PEM files): STARTTLS on the plain ports and implicit
        TLS on imaps_port and pop3s_port."""
        if not os.access(DOVECOT, os.X_OK):
            raise RuntimeError(f"{DOVECOT} is missing: install dovecot-imapd and dovecot-pop3d")
        self.dir = Path(tempfile.mkdtemp(prefix="vrxmail-wine-dovecot."))
        self.dir.chmod(0o755)  # the auth process runs as another user
        tls = tls_chain is not None and tls_key is not None
        self.users = users
        self._count = 0
        for sub in ("base", "state", "home"):
            (self.dir / sub).mkdir()
        lines = []
        for user in users:
            for sub in ("new", "cur", "tmp"):
                (self.maildir(user) / sub).mkdir(parents=True)
            for path in [self.dir / "home" / user, *(self.dir / "home" / user).rglob("*")]:
                os.chown(path, MAIL_UID, MAIL_UID)
            lines.append(f"{user}:{{PLAIN}}{self.password(user)}:{MAIL_UID}:{MAIL_UID}::"
                         f"{self.dir / 'home' / user}\n")
        (self.dir / "users").write_text("".join(lines))
        try:
            with _choosing_ports():
                self.imap_port = _free_port()
                self.pop3_port = _free_port()
                self.imaps_port = _free_port() if tls else 0
                self.pop3s_port = _free_port() if tls else 0
                ports = (self.imap_port, self.pop3_port, self.imaps_port, self.pop3s_port)
                self.process = start_dovecot(
                    self.dir, f"vrxmail-wine-{os.getpid()}-{self.imap_port}", ports,
                    tls_chain if tls else None, tls_key, extra="auth_verbose = yes")
        except RuntimeError:
            shutil.rmtree(self.dir, ignore_errors=True)
            raise

    @staticmethod
    def password(user):
        return "pw-" + user

    def log(self):
        path = self.dir / "dovecot.log"
        return path.read_text(errors="replace") if path.exists() else ""

    def maildir(self, user):
        return self.dir / "home" / user / "Maildir"

    def deliver(self, user, arrival, subject):
        """A message whose arrival (file time and top Received: date) is the given instant."""
        self._count += 1
        name = f"{int(arrival)}.M{self._count}P{os.getpid()}.vrxmail-wine"
        date = formatdate(arrival, usegmt=True)
        tmp = self.maildir(user) / "tmp" / name
        tmp.write_bytes((f"Received: from relay by mx; {date}\r\nDate: {date}\r\n"
                         f"Subject: {subject}\r\n\r\nbody\r\n").encode())
        os.utime(tmp, (arrival, arrival))
        os.chown(tmp, MAIL_UID, MAIL_UID)
        tmp.rename(self.maildir(user) / "new" / name)

    def kick(self, user):
        """Ends the user's sessions at once, with a BYE and a close."""
        subprocess.run(["/usr/bin/doveadm", "-c", str(self.dir / "dovecot.conf"), "kick", user],
                       env={"PATH": "/usr/sbin:/usr/bin:/sbin:/bin"}, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, timeout=10)

    def stop_master(self):
        """The server goes away; its ports close with their master."""
        self.process.kill()
        self.process.wait(10)
        deadline = time.monotonic() + 10
        while _answers(self.imap_port):
            if time.monotonic() > deadline:
                raise RuntimeError("the IMAP port stayed open after the master ended")
            time.sleep(0.05)

    def start_master(self):
        """The server comes back on the same ports."""
        ports = (self.imap_port, self.pop3_port, self.imaps_port, self.pop3s_port)
        # The killed master leaves its sockets behind, in base/ and in its folders.
        for stale in (self.dir / "base").rglob("*"):
            if stale.is_socket() or stale.name == "master.pid":
                stale.unlink()
        self.process = start_dovecot(self.dir, f"vrxmail-wine-{os.getpid()}-{self.imap_port}", ports)

    def stop(self):
        if self.process.poll() is None:
            # The master and its children share the session started for them.
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)
