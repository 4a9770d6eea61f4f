"""Push under Wine against the private dovecot: with a period of 30 minutes a delivery is
shown through the library's watch, and the next one still is after a server restart, a
connection that died without a word, a change of server in the dialog, a suspend and the
user's resume, and a server that refused logins for a while; with push turned off nothing comes before the period. The program
reaches dovecot through a relay, which shows what the watch and the checks sent and can
play the dead connection."""

import time

import pytest

import device_helpers
import quilpad_harness as qh
from mail_relay import MailRelay
from quilpad_keys import TRAY_CALLBACK, USER_KEY, WM_LBUTTONDBLCLK, write_user_group
from test_mail_reports import dovecot, empty_mailbox  # noqa: F401
from test_mail_settings_dialog import HOST, OK, click, open_dialog, type_into, wait_closed

WM_POWERBROADCAST = 0x0218
PBT_APMSUSPEND, PBT_APMRESUMESUSPEND = 4, 7
LED_ON = 1
# Short enough that a dead connection is found, and a refused one tried again, within
# a few seconds (the library's own defaults are minutes).
WATCH_TIMES = {"VRXMAIL_WATCH_TIMES": "quiet=1500,answer=1000,backoff=250,cap=2000,stable=500"}
STAMP = "2026/12/01 12:00"


@pytest.fixture
def relay(dovecot):  # noqa: F811
    server = MailRelay(dovecot.imap_port)
    yield server
    server.close()


def start(quilpad, probe, prefix, dovecot, relay, push=1):  # noqa: F811
    empty_mailbox(dovecot)
    write_user_group(prefix, MailPollEn=("REG_DWORD", 1), MailPollTime=("REG_DWORD", 30),
                     ServerType=("REG_DWORD", 1), MailHost=("REG_SZ", f"plain:127.0.0.1:{relay.port}"),
                     MailUser=("REG_SZ", "alice"), MailPwd=("REG_SZ", dovecot.password("alice")),
                     LastNewTimeStamp=("REG_SZ", STAMP), MailPushEn=("REG_DWORD", push))
    prefix.xdotool("mousemove", 1270, 1010)
    quilpad.start(extra_env=WATCH_TIMES)
    probe.wait_for_bar(timeout=20)
    probe.wait_for_status(lambda t: t.startswith("You have 0 new emails"), "the first check")
    return device_helpers.Device(prefix)


def settled(relay, after=0, checks=1):
    """The watch idles on a connection made after the first `after`, and `checks` checks
    made after that have logged out, so that a delivery can only be shown by push."""
    connections = relay.connections()[after:]
    watch = [n for n, (sent, closed) in enumerate(connections) if "IDLE\r\n" in sent and not closed]
    if not watch:
        return False
    done = [sent for sent, closed in connections if "LOGOUT" in sent and closed]
    return len(done) >= checks and all(closed for sent, closed in connections
                                       if "IDLE\r\n" not in sent)


def acknowledge(probe):
    probe.post(TRAY_CALLBACK, 1, WM_LBUTTONDBLCLK)


def acknowledge_report(probe, device):
    """Waits for the report that lit the LED, then acknowledges it a few times over some
    tenths of a second: one of them comes after its blinking began (an acknowledgement
    before that is not taken), and the blinking would hold the next report back."""
    device.wait_for_log(lambda log: LED_ON in log, 30, "the report that lit the LED")
    acks = iter(range(4))
    qh.wait_until(lambda: acknowledge(probe) or next(acks) == 3, 5, "acknowledged", interval=0.1)


def delivery_shown(probe, dovecot, device, count):  # noqa: F811
    """Delivers a message and waits for its report: the LED command, and the count of
    every message delivered so far in the status strip. Returns the time to the LED."""
    device.clear()
    delivered = time.monotonic()
    dovecot.deliver("alice", time.time(), f"pushed {count}")
    device.wait_for_log(lambda log: LED_ON in log, 10, "the LED command of the pushed mail")
    took = time.monotonic() - delivered
    probe.wait_for_status(lambda t: t.startswith(f"You have {count} new emails"),
                          f"{count} new emails")
    acknowledge_report(probe, device)
    return took


# Each fault returns the relay the program reaches the server through afterwards, with
# the number of its connections made before the fault.

def dovecot_restart(probe, dovecot, relay):  # noqa: F811
    before = len(relay.connections())
    dovecot.kick("alice")
    dovecot.stop_master()
    dovecot.start_master()
    return relay, before


def dead_connection(probe, dovecot, relay):  # noqa: F811
    before = len(relay.connections())
    relay.fall_silent()
    return relay, before


def change_of_server(probe, dovecot, relay):  # noqa: F811
    # Another relay to the same mailbox: another server as far as the program knows.
    other = MailRelay(dovecot.imap_port)
    open_dialog(probe)
    type_into(probe, HOST, f"plain:127.0.0.1:{other.port}")
    click(probe, OK)
    wait_closed(probe)
    qh.wait_until(lambda: relay.open_connections() == 0, 10, "the old server's watch to end")
    return other, 0


def suspend_and_user_resume(probe, dovecot, relay):  # noqa: F811
    before = len(relay.connections())
    probe.send(WM_POWERBROADCAST, PBT_APMSUSPEND, 0)
    qh.wait_until(lambda: relay.open_connections() == 0, 10, "no connection held in the sleep")
    probe.send(WM_POWERBROADCAST, PBT_APMRESUMESUSPEND, 0)
    return relay, before


def refused_logins(probe, dovecot, relay):  # noqa: F811
    before = len(relay.connections())
    relay.refuse_logins()
    # Two refused logins of the watch, a back-off apart, before the server takes them again.
    qh.wait_until(lambda: relay.refused >= 2, 20, "two refused logins")
    relay.refuse_logins(False)
    return relay, before


@pytest.mark.parametrize("fault", [dovecot_restart, dead_connection, change_of_server,
                                   suspend_and_user_resume, refused_logins],
                         ids=lambda f: f.__name__)
def test_with_push_a_delivery_is_shown_and_the_next_one_after_a_fault(
        quilpad, probe, prefix, dovecot, relay, fault):  # noqa: F811
    device = start(quilpad, probe, prefix, dovecot, relay)
    qh.wait_until(lambda: settled(relay), 20, "the watch in IDLE")
    first = delivery_shown(probe, dovecot, device, 1)

    device.clear()
    watched, before = fault(probe, dovecot, relay)
    try:
        # A reconnection checks once for what came meanwhile; so do the dialog's OK and
        # a resume.
        qh.wait_until(lambda: settled(watched, before), 30,
                      "the watch back in IDLE and its check done")
        acknowledge_report(probe, device)
        after = delivery_shown(probe, dovecot, device, 2)
    finally:
        if watched is not relay:
            watched.close()
    print(f"{fault.__name__}: delivery to LED {first * 1000:.0f} ms before, "
          f"{after * 1000:.0f} ms after")


def test_with_push_off_no_watch_runs_and_nothing_comes_before_the_period(
        quilpad, probe, prefix, dovecot, relay):  # noqa: F811
    device = start(quilpad, probe, prefix, dovecot, relay, push=0)
    assert prefix.reg_get(USER_KEY, "MailPushEn") == 0
    qh.wait_until(lambda: relay.open_connections() == 0, 10, "the first check's connection closed")
    device.clear()
    dovecot.deliver("alice", time.time(), "not pushed")
    # Nothing is connected that could tell the program, and nothing was asked to watch.
    assert relay.open_connections() == 0
    assert not any("IDLE" in sent for sent, _ in relay.connections())
    assert LED_ON not in device.log()
