"""The button bar as its template makes it: eighteen controls, their styles and places."""

import pytest

import quilpad_harness as qh

# id: (x, y, width, height) in dialog units, shown, accepts dropped files.
TEMPLATE = {
    1000: ((5, 5, 35, 28), True, True),
    1023: ((45, 5, 35, 28), True, True),
    1024: ((85, 5, 35, 28), True, True),
    1025: ((125, 5, 35, 28), True, True),
    1026: ((165, 5, 35, 28), False, True),
    1001: ((5, 37, 15, 12), True, False),
    1004: ((25, 37, 15, 12), True, False),
    1029: ((45, 37, 15, 12), True, False),
    1033: ((65, 37, 15, 12), True, False),
    1030: ((85, 37, 15, 12), True, False),
    1034: ((105, 37, 15, 12), True, False),
    1031: ((125, 37, 15, 12), True, False),
    1035: ((145, 37, 15, 12), True, False),
    1032: ((165, 37, 15, 12), False, False),
    1036: ((185, 37, 15, 12), False, False),
    1017: ((205, 6, 15, 12), True, False),
    1040: ((205, 20, 15, 12), True, False),
}
STATUS_STRIP = (5, 53, 215, 13)
DIALOG_UNITS = (223, 70)

WS_VISIBLE, WS_DISABLED, WS_TABSTOP = 0x10000000, 0x08000000, 0x00010000
SS_TYPEMASK, SS_LEFTNOWORDWRAP, SS_CENTERIMAGE = 0x1F, 0x0C, 0x200
WS_EX_ACCEPTFILES, WS_EX_STATICEDGE = 0x10, 0x20000


@pytest.fixture
def bar(quilpad, probe):
    quilpad.start()
    return probe.wait_for_bar(timeout=20)


def test_controls_carry_their_template_styles_and_places(bar, probe):
    controls = {c["id"]: c for c in probe.controls()}
    assert set(TEMPLATE) | {1003} <= set(controls)

    client_right, client_bottom = bar["client_rect"][2:]
    scale_x, scale_y = client_right / DIALOG_UNITS[0], client_bottom / DIALOG_UNITS[1]
    for control_id, (rect, shown, accepts_files) in TEMPLATE.items():
        control = probe.control(control_id)
        assert control["class"] == "Button"
        assert control["style"] & 0xFF == 0x4B, control_id
        assert control["visible"] == shown and control["enabled"] == shown, control_id
        assert bool(control["exstyle"] & WS_EX_ACCEPTFILES) == accepts_files, control_id
        assert bool(control["style"] & WS_TABSTOP) == (control_id == 1040), control_id
        for got, want in zip(control["rect"], qh.to_pixels(rect, scale_x, scale_y)):
            assert abs(got - want) <= 2, (control_id, control["rect"])

    strip = probe.control(1003)
    assert strip["class"] == "Static"
    assert strip["style"] & SS_TYPEMASK == SS_LEFTNOWORDWRAP
    assert strip["style"] & SS_CENTERIMAGE and strip["exstyle"] & WS_EX_STATICEDGE
    for got, want in zip(strip["rect"], qh.to_pixels(STATUS_STRIP, scale_x, scale_y)):
        assert abs(got - want) <= 2, strip["rect"]
