"""Fixtures of the system tests: a private Xvfb and a template prefix per session; a fresh
prefix with its own wineserver per test; the probe; Quilpad installed in the prefix.

QP_KEEP_PREFIX=1 keeps each test's prefix (under pytest's tmp dir) for a post-mortem."""

import os
import threading

import pytest

import device_helpers
import quilpad_harness as qh
import window_helpers


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "stamps: the outcome depends on time stamps and the zone they are read in "
        "(CI runs these once more under another zone)")


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    outcome = yield
    report = outcome.get_result()
    setattr(item, "report_" + report.when, report)


def pytest_terminal_summary(terminalreporter):
    if not qh.TIMINGS:
        return
    terminalreporter.section("system test harness timings")
    for name, values in qh.TIMINGS.items():
        terminalreporter.write_line(
            f"{name:<34} n={len(values):<3} mean={sum(values) / len(values):6.3f} s  "
            f"min={min(values):6.3f} s  max={max(values):6.3f} s")


# Prefixes being torn down while the next test runs: each has a wineserver of its own,
# and the display goes only once they are all gone.
_closing = []


def close_meanwhile(prefix):
    keep = os.environ.get("QP_KEEP_PREFIX") == "1"
    closing = threading.Thread(target=prefix.close, kwargs={"keep": keep})
    closing.start()
    _closing.append(closing)


@pytest.fixture(scope="session")
def xvfb(tmp_path_factory):
    server = qh.Xvfb(tmp_path_factory.getbasetemp() / "xvfb.log").start()
    yield server
    for closing in _closing:
        closing.join()
    server.stop()


@pytest.fixture(scope="session")
def prefix_template(xvfb):
    if qh.wine_unavailable():
        pytest.fail(qh.wine_unavailable(), pytrace=False)
    return qh.template_prefix(xvfb.display)


@pytest.fixture
def prefix(request, prefix_template, xvfb, tmp_path):
    """A fresh prefix with a running, warmed-up wineserver of its own."""
    wine = qh.WinePrefix.create(prefix_template, tmp_path / "prefix", xvfb.display, tmp_path)
    yield wine
    failed = any(getattr(request.node, "report_" + when, None) is not None
                 and getattr(request.node, "report_" + when).failed for when in ("setup", "call"))
    if failed:
        try:
            print("screenshot at failure:", wine.screenshot("failure.png"))
        except Exception as error:  # the test's own failure matters more
            print("no screenshot at failure:", error)
        for process in wine.processes:
            print("program log:", process.log_path)
    close_meanwhile(wine)


@pytest.fixture(scope="module")
def shared_prefix(prefix_template, xvfb, tmp_path_factory):
    """One prefix for those tests of a module that put back whatever they change in it: a
    prefix costs about two seconds to copy, warm up and tear down."""
    work = tmp_path_factory.mktemp("shared")
    wine = qh.WinePrefix.create(prefix_template, work / "prefix", xvfb.display, work)
    yield wine
    close_meanwhile(wine)


@pytest.fixture
def probe(prefix):
    if not qh.PROBE_EXE.is_file():
        pytest.fail(f"{qh.PROBE_EXE} is missing: build first (scripts/build)", pytrace=False)
    return qh.Probe(prefix)


@pytest.fixture
def quilpad(prefix):
    """Quilpad installed in the test's prefix with the device driver running, not started
    yet."""
    if not qh.PROGRAM_EXE.is_file():
        pytest.fail(f"{qh.PROGRAM_EXE} is missing: build first (scripts/build)", pytrace=False)
    device_helpers.install_driver(prefix)
    return qh.Quilpad(prefix).install()


@pytest.fixture
def windows(prefix):
    """qpwindows.exe in the test's prefix: tips, file choosers and popup menus."""
    if not window_helpers.WINDOWS_EXE.is_file():
        pytest.fail(f"{window_helpers.WINDOWS_EXE} is missing: build first (scripts/build)",
                    pytrace=False)
    return window_helpers.Windows(prefix)
