"""Windows of the program that the probe does not reach: tool tips, file choosers and popup
menus, seen from outside with qpwindows.exe."""

import json

import quilpad_harness as qh

WINDOWS_EXE = qh.WIN_BUILD / "testbin" / "qpwindows.exe"


class Windows:
    """qpwindows.exe: tool tips, file choosers and popup menus seen from outside."""

    def __init__(self, prefix):
        self.prefix = prefix

    def _run(self, *args):
        result = qh.run_tool(self.prefix, [WINDOWS_EXE, *args])
        assert result.returncode in (0, 1), result.stderr
        return json.loads(result.stdout.decode("ascii"))

    def tips(self):
        return self._run("tips")["tips"]

    def choosers(self):
        return self._run("choosers")["choosers"]

    def menus(self):
        return self._run("menus")["menus"]

    def wait_for_chooser(self, pid, timeout=15):
        def one():
            found = [c for c in self.choosers() if c["pid"] == pid]
            return found[0] if len(found) == 1 else None
        return qh.wait_until(one, timeout, "a file chooser of the program")

    def choose(self, chooser, windows_path):
        assert self._run("choose", chooser["hwnd"], windows_path).get("done")

    def cancel(self, chooser):
        assert self._run("cancel", chooser["hwnd"]).get("done")

    def wait_for_menu(self, pid, timeout=10):
        def one():
            found = [m for m in self.menus() if m["pid"] == pid]
            return found[0] if len(found) == 1 else None
        return qh.wait_until(one, timeout, "a popup menu of the program")

    def wait_for_tip(self, text, timeout=10):
        return qh.wait_until(lambda: any(t["text"] == text for t in self.tips()), timeout,
                             f"a tool tip reading {text!r}")
