"""Fixtures for the library's tests under Wine: the system tests' Xvfb and template prefix,
one prefix for the module, and a private dovecot."""

import importlib.util
import sys
from pathlib import Path

import pytest

SYSTEM_TESTS = Path(__file__).resolve().parents[1] / "system"
sys.path.insert(0, str(SYSTEM_TESTS))

import quilpad_harness as qh  # noqa: E402

_found = importlib.util.spec_from_file_location("system_conftest", SYSTEM_TESTS / "conftest.py")
_system = importlib.util.module_from_spec(_found)
_found.loader.exec_module(_system)

pytest_configure = _system.pytest_configure
xvfb = _system.xvfb
prefix_template = _system.prefix_template

CHECK_EXE = qh.WIN_BUILD / "testbin" / "vrxmail_wine_check.exe"
LIBRARY_DIR = qh.PROGRAM_DIR


@pytest.fixture(scope="module")
def wine_prefix(prefix_template, xvfb, tmp_path_factory):
    work = tmp_path_factory.mktemp("vrxmail")
    wine = qh.WinePrefix.create(prefix_template, work / "prefix", xvfb.display, work)
    yield wine
    wine.close()


@pytest.fixture
def dovecot():
    from private_dovecot import PrivateDovecot
    server = PrivateDovecot()
    yield server
    server.stop()


@pytest.fixture
def run_check(wine_prefix):
    """Runs vrxmail_wine_check.exe: returns (exit code, report tuple or None, output)."""
    for path in (CHECK_EXE, LIBRARY_DIR / "VRXMail.DLL"):
        if not path.is_file():
            pytest.fail(f"{path} is missing: build first (scripts/build)", pytrace=False)

    def run(server_type, host, user, password, stamp, abort_ms=None, timeout=60):
        args = [CHECK_EXE, "Z:" + str(LIBRARY_DIR).replace("/", "\\"), server_type, host, user,
                password, stamp]
        if abort_ms is not None:
            args.append(abort_ms)
        done = wine_prefix.run(args, timeout=timeout)
        output = done.stdout.decode(errors="replace")
        report = None
        for line in output.splitlines():
            if line.startswith("report "):
                count, code = line.split()[1:3]
                report = (int(count), int(code))
        return done.returncode, report, output

    return run
