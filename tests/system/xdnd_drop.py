"""Drops files on a point of the X display the way a file manager does, through the XDND
protocol, so that Wine hands them to the window under the point as WM_DROPFILES.

Runs with Debian's python3-xlib. `drop_files` returns True when the target accepted and
finished the drop, False when it refused it."""

import select
import time
import urllib.parse

from Xlib import X, display as xdisplay
from Xlib.protocol import event as xevent

XDND_VERSION = 5


class DropError(RuntimeError):
    pass


def _uri_list(paths):
    return "".join("file://" + urllib.parse.quote(p) + "\r\n" for p in paths).encode("ascii")


def _aware_window_under(dpy, root, x, y, aware):
    """The deepest mapped window under the root point that carries XdndAware."""
    found = None
    window = root
    while True:
        if window != root and window.get_full_property(aware, X.AnyPropertyType) is not None:
            found = window
        reply = window.translate_coords(root, x, y)
        if not reply.child:
            return found
        window = reply.child


class _Dragger:
    def __init__(self, display_name):
        self.dpy = xdisplay.Display(display_name)
        self.root = self.dpy.screen().root
        self.atom = {name: self.dpy.intern_atom(name) for name in (
            "XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndDrop", "XdndLeave",
            "XdndFinished", "XdndSelection", "XdndActionCopy", "text/uri-list")}
        self.source = self.root.create_window(0, 0, 1, 1, 0, X.CopyFromParent,
                                              override_redirect=True)
        self.source.set_selection_owner(self.atom["XdndSelection"], X.CurrentTime)
        self.dpy.flush()

    def close(self):
        self.source.destroy()
        self.dpy.close()

    def send(self, target, kind, data):
        message = xevent.ClientMessage(window=target, client_type=self.atom[kind],
                                       data=(32, (data + [0] * 5)[:5]))
        target.send_event(message, event_mask=0)
        self.dpy.flush()

    def next_event(self, deadline):
        while not self.dpy.pending_events():
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            select.select([self.dpy.fileno()], [], [], left)
        return self.dpy.next_event()

    def answer_selection(self, request, payload):
        if request.target == self.atom["text/uri-list"] and request.property:
            request.requestor.change_property(request.property, request.target, 8, payload)
            prop = request.property
        else:
            prop = X.NONE
        notify = xevent.SelectionNotify(time=request.time, requestor=request.requestor,
                                        selection=request.selection, target=request.target,
                                        property=prop)
        request.requestor.send_event(notify, event_mask=0)
        self.dpy.flush()


def drop_files(display_name, x, y, paths, timeout=10):
    """Drops the files (host paths) on root point (x, y). True when accepted and finished."""
    drag = _Dragger(display_name)
    try:
        target = _aware_window_under(drag.dpy, drag.root, x, y, drag.atom["XdndAware"])
        if target is None:
            raise DropError(f"no XdndAware window under ({x}, {y})")
        source = drag.source.id
        deadline = time.monotonic() + timeout
        drag.send(target, "XdndEnter", [source, XDND_VERSION << 24, drag.atom["text/uri-list"]])
        drag.send(target, "XdndPosition",
                  [source, 0, (x << 16) | y, X.CurrentTime, drag.atom["XdndActionCopy"]])
        payload = _uri_list(paths)
        dropped = False
        while True:
            event = drag.next_event(deadline)
            if event is None:
                raise DropError("the drop target did not answer in time")
            if event.type == X.SelectionRequest:
                drag.answer_selection(event, payload)
            elif event.type == X.ClientMessage and event.client_type == drag.atom["XdndStatus"]:
                if dropped:
                    continue
                if not event.data[1][1] & 1:
                    drag.send(target, "XdndLeave", [source])
                    return False
                drag.send(target, "XdndDrop", [source, 0, X.CurrentTime])
                dropped = True
            elif event.type == X.ClientMessage and event.client_type == drag.atom["XdndFinished"]:
                return True
    finally:
        drag.close()
