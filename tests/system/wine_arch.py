"""Which Windows build the system tests, scripts/run and scripts/screenshots use, and the Wine
that runs it.

The shipped program is 32-bit and runs under 32-bit Wine where the host's kernel runs 32-bit
x86 programs; elsewhere the 64-bit build of the same sources runs under 64-bit Wine.
QP_ARCH=x86 or QP_ARCH=x64 chooses; a choice the host cannot run is refused with the reason.

    python3 wine_arch.py          prints the chosen build's shell variables (for eval), or
                                  the reason no build can run, exiting 1
"""

import os
import subprocess
import sys
from dataclasses import dataclass
from pathlib import Path

REPO_ROOT = Path(__file__).resolve().parents[2]


@dataclass(frozen=True)
class Arch:
    name: str           # x86 or x64, as QP_ARCH spells it
    winearch: str       # the prefix's WINEARCH
    loader: str         # the Wine loader that starts this build's programs
    build_dir: Path     # the CMake tree with bin/, testbin/ and benchbin/
    # `reg` arguments that reach the registry view of the 32-bit program. The 64-bit build
    # reads and writes the settings there too (a 64-bit program keeps the settings that a
    # 32-bit one wrote), so the tests look at the same place for both builds.
    reg_view: tuple

    @property
    def command(self):
        """How to start the loader. Debian's Wine has no preloader, so the kernel's address
        randomisation may put the loader's brk heap where Wine maps the shared user data
        (0x7ffe0000) or its own reservations: then a process fails to start ("failed to map
        the shared user data: c0000018"), or a large allocation fails later, about once in a
        few thousand starts. Without randomisation the heap starts right after the loader.
        Wine's own processes inherit the setting."""
        return ("setarch", "-R", self.loader)

    def env(self):
        """What a Wine process of this build needs in its environment."""
        # Wine starts its own helper programs with WINELOADER; Debian's `wine` wrapper would
        # pick the 32-bit loader whenever it is installed.
        return {"WINEARCH": self.winearch, "WINELOADER": self.loader}


ARCHES = {
    "x86": Arch("x86", "win32", "/usr/lib/wine/wine", REPO_ROOT / "build" / "win", ()),
    "x64": Arch("x64", "win64", "/usr/lib/wine/wine64", REPO_ROOT / "build" / "win64",
                ("/reg:32",)),
}


def why_not(arch):
    """Why this host cannot run the build's Wine, or None when it can."""
    if not os.access(arch.loader, os.X_OK):
        return f"{arch.loader} is missing (scripts/setup installs it)"
    try:
        done = subprocess.run([arch.loader, "--version"], stdin=subprocess.DEVNULL,
                              stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=60)
    except OSError as error:
        reason = error.strerror or str(error)
        if arch.name == "x86":
            reason += " (the kernel does not run 32-bit x86 programs)"
        return f"{arch.loader} cannot start: {reason}"
    except subprocess.TimeoutExpired:
        return f"{arch.loader} --version did not answer within 60 s"
    if done.returncode != 0:
        return f"{arch.loader} --version failed: {done.stderr.decode(errors='replace').strip()[:160]}"
    return None


class NoWine(RuntimeError):
    pass


def choose(requested=None):
    """The build to test: QP_ARCH's when set, else x86 where the host runs it, else x64.
    Raises NoWine with the reasons when the host runs none."""
    requested = requested if requested is not None else os.environ.get("QP_ARCH", "")
    if requested:
        if requested not in ARCHES:
            raise NoWine(f"QP_ARCH={requested} is not one of {', '.join(ARCHES)}")
        reason = why_not(ARCHES[requested])
        if reason:
            raise NoWine(f"QP_ARCH={requested} cannot run on this host: {reason}")
        return ARCHES[requested]
    reasons = []
    for arch in ARCHES.values():
        reason = why_not(arch)
        if reason is None:
            return arch
        reasons.append(f"{arch.name}: {reason}")
    raise NoWine("no Windows build can run on this host: " + "; ".join(reasons))


def main():
    try:
        arch = choose()
    except NoWine as error:
        print(error, file=sys.stderr)
        return 1
    print(f"QP_ARCH={arch.name}")
    print(f"QP_WIN_BUILD={arch.build_dir}")
    print(f"QP_WINE={' '.join(arch.command)}")
    for name, value in arch.env().items():
        print(f"{name}={value}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
