"""What every benchmark run under Wine begins with: its programs built, Wine able to run
them, the load printed, and a private X display with the template prefix."""

import contextlib
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "system"))

import quilpad_harness as qh  # noqa: E402


def load_average():
    return " ".join(Path("/proc/loadavg").read_text().split()[:3])


def begin(tools):
    """Ends the run, saying why, when a tool is not built or Wine cannot run the build."""
    for tool in tools:
        if not Path(tool).is_file():
            sys.exit(f"{tool} is missing: build first (scripts/build)")
    why_not = qh.wine_unavailable()
    if why_not:
        sys.exit(f"nothing measured: {why_not}")
    print(f"load average at start: {load_average()}", flush=True)


@contextlib.contextmanager
def desktop(name):
    """(work folder, Xvfb, template prefix) for the run; the display ends with it."""
    with tempfile.TemporaryDirectory(prefix=name) as work:
        work = Path(work)
        xvfb = qh.Xvfb(work / "xvfb.log").start()
        try:
            yield work, xvfb, qh.template_prefix(xvfb.display)
        finally:
            xvfb.stop()
