"""Certificates for the TLS tests, made with the openssl command in a folder of the test: a
root the tests trust, an intermediate under it, and one server certificate per fault."""

import subprocess
from pathlib import Path

LOCAL_NAMES = "DNS:localhost,IP:127.0.0.1"
SERVER_EXTENSIONS = ("basicConstraints=critical,CA:FALSE\n"
                     "keyUsage=critical,digitalSignature\n"
                     "extendedKeyUsage=serverAuth\n"
                     "subjectKeyIdentifier=hash\n"
                     "authorityKeyIdentifier=keyid:always\n")
CA_EXTENSIONS = ("basicConstraints=critical,CA:TRUE\n"
                 "keyUsage=critical,keyCertSign,cRLSign\n"
                 "subjectKeyIdentifier=hash\n"
                 "authorityKeyIdentifier=keyid:always\n")
CA_CONFIG = """\
[ca]
default_ca = test
[test]
database = {dir}/index.txt
new_certs_dir = {dir}/issued
serial = {dir}/serial
default_md = sha256
policy = any
copy_extensions = none
unique_subject = no
[any]
commonName = supplied
"""


# The issuers sign with RSA. Wine's chain engine takes an ECDSA signature whose r or s is
# shorter than the curve's size (one signature in about 128) for a bad one, so issuers with
# EC keys made a certificate invalid now and then. The servers' own keys stay EC.
ISSUER_KEY = ("-newkey", "rsa:2048")
SERVER_KEY = ("-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256")


def _openssl(*args, cwd):
    done = subprocess.run(["openssl", *args], cwd=cwd, capture_output=True, timeout=30)
    if done.returncode != 0:
        raise RuntimeError(f"openssl {' '.join(args)}: {done.stderr.decode(errors='replace')}")


class TestPki:
    """Files in dir: root.pem (to trust) and, for each kind, KIND.pem (the chain the server
    sends, its own certificate first) with KIND.key."""

    __test__ = False  # a helper, not a test class

    KINDS = ("good", "via-intermediate", "partial-chain", "self-signed", "wrong-name",
             "expired", "untrusted-root")

    def __init__(self, dir):
        self.dir = Path(dir)
        self.dir.mkdir(parents=True, exist_ok=True)
        (self.dir / "issued").mkdir(exist_ok=True)
        (self.dir / "index.txt").write_text("")
        (self.dir / "serial").write_text("1000\n")
        (self.dir / "ca.cnf").write_text(CA_CONFIG.format(dir=self.dir))
        self._root("root", "Quilpad Test Root")
        self._root("other-root", "Quilpad Untrusted Root")
        self._request("intermediate", "Quilpad Test Intermediate", ISSUER_KEY)
        self._sign("intermediate", "root", CA_EXTENSIONS)
        self._request("server", "localhost", SERVER_KEY)
        self._sign("server", "root", self._leaf(LOCAL_NAMES), out="good")
        self._sign("server", "intermediate", self._leaf(LOCAL_NAMES), out="leaf-of-intermediate")
        self._sign("server", "root", self._leaf("DNS:mail.example.test"), out="wrong-name")
        self._sign("server", "root", self._leaf(LOCAL_NAMES), out="expired",
                   dates=("20200101000000Z", "20200201000000Z"))
        self._sign("server", "other-root", self._leaf(LOCAL_NAMES), out="leaf-of-other-root")
        _openssl("req", "-x509", "-key", "server.key", "-subj", "/CN=localhost", "-days", "30",
                 "-addext", "subjectAltName=" + LOCAL_NAMES, "-out", "self-signed.pem",
                 cwd=self.dir)
        self._chain("via-intermediate", "leaf-of-intermediate", "intermediate")
        self._chain("partial-chain", "leaf-of-intermediate")
        self._chain("untrusted-root", "leaf-of-other-root", "other-root")
        for kind in self.KINDS:
            (self.dir / f"{kind}.key").write_bytes((self.dir / "server.key").read_bytes())

    def root_file(self):
        return self.dir / "root.pem"

    def chain_file(self, kind):
        return self.dir / f"{kind}.pem"

    def key_file(self, kind):
        return self.dir / f"{kind}.key"

    def _leaf(self, names):
        return SERVER_EXTENSIONS + f"subjectAltName={names}\n"

    def _root(self, name, common_name):
        _openssl("req", "-x509", *ISSUER_KEY, "-nodes", "-keyout", f"{name}.key",
                 "-out", f"{name}.pem", "-days", "30", "-subj", f"/CN={common_name}",
                 "-addext", "basicConstraints=critical,CA:TRUE",
                 "-addext", "keyUsage=critical,keyCertSign,cRLSign", cwd=self.dir)

    def _request(self, name, common_name, key):
        _openssl("req", "-new", *key, "-nodes", "-keyout", f"{name}.key", "-out", f"{name}.csr",
                 "-subj", f"/CN={common_name}", cwd=self.dir)

    def _sign(self, name, issuer, extensions, out=None, dates=None):
        out = out or name
        (self.dir / f"{out}.ext").write_text(extensions)
        validity = ["-startdate", dates[0], "-enddate", dates[1]] if dates else ["-days", "30"]
        _openssl("ca", "-batch", "-config", "ca.cnf", "-cert", f"{issuer}.pem", "-keyfile",
                 f"{issuer}.key", "-in", f"{name}.csr", "-out", f"{out}.pem", "-notext",
                 "-extfile", f"{out}.ext", *validity, cwd=self.dir)

    def _chain(self, out, *parts):
        (self.dir / f"{out}.pem").write_bytes(
            b"".join((self.dir / f"{p}.pem").read_bytes() for p in parts))
