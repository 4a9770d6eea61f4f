"""A private dovecot on free loopback ports with maildirs the tests write."""

import os
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


class PrivateDovecot:
    def __init__(self, users=("alice", "bob"), tls_chain=None, tls_key=None):
        """With tls_chain and tls_key (PEM files): STARTTLS on the plain ports and implicit
        TLS on imaps_port and pop3s_port."""
        if not os.access(DOVECOT, os.X_OK):
            raise RuntimeError(f"{DOVECOT} is missing: install dovecot-imapd and dovecot-pop3d")
        self.dir = Path(tempfile.mkdtemp(prefix="vrxmail-wine-dovecot."))
        self.dir.chmod(0o755)  # the auth process runs as another user
        self.imap_port = _free_port()
        self.pop3_port = _free_port()
        tls = tls_chain is not None and tls_key is not None
        self.imaps_port = _free_port() if tls else 0
        self.pop3s_port = _free_port() if tls else 0
        ssl = (f"ssl = yes\nssl_cert = <{tls_chain}\nssl_key = <{tls_key}\n"
               "ssl_min_protocol = TLSv1.2") if tls else "ssl = no"
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
        (self.dir / "dovecot.conf").write_text(f"""\
instance_name = vrxmail-wine-{os.getpid()}-{self.imap_port}
base_dir = {self.dir}/base
state_dir = {self.dir}/state
log_path = {self.dir}/dovecot.log
listen = 127.0.0.1
protocols = imap pop3
{ssl}
auth_verbose = yes
disable_plaintext_auth = no
auth_failure_delay = 0
mail_location = maildir:~/Maildir
first_valid_uid = 1
passdb {{
  driver = passwd-file
  args = scheme=PLAIN {self.dir}/users
}}
userdb {{
  driver = passwd-file
  args = {self.dir}/users
}}
service imap-login {{
  inet_listener imap {{
    port = {self.imap_port}
  }}
  inet_listener imaps {{
    port = {self.imaps_port}
  }}
}}
service pop3-login {{
  inet_listener pop3 {{
    port = {self.pop3_port}
  }}
  inet_listener pop3s {{
    port = {self.pop3s_port}
  }}
}}
service anvil {{
  unix_listener anvil-auth-penalty {{
    mode = 0
  }}
}}
""")
        self.process = subprocess.Popen(
            [DOVECOT, "-F", "-c", str(self.dir / "dovecot.conf")],
            env={"TZ": "UTC", "PATH": "/usr/sbin:/usr/bin:/sbin:/bin"},
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        deadline = time.monotonic() + 10
        ports = [p for p in (self.imap_port, self.pop3_port, self.imaps_port, self.pop3s_port) if p]
        while not all(_answers(p) for p in ports):
            if self.process.poll() is not None or time.monotonic() > deadline:
                log = (self.dir / "dovecot.log").read_text(errors="replace") \
                    if (self.dir / "dovecot.log").exists() else ""
                self.stop()
                raise RuntimeError("private dovecot did not start: " + log)
            time.sleep(0.01)

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

    def stop(self):
        if self.process.poll() is None:
            # The master and its children share the session started for them.
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait(10)
        shutil.rmtree(self.dir, ignore_errors=True)
