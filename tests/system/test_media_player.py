"""Start-up's search for the media player."""

from quilpad_keys import MACHINE_KEY, USER_KEY

MISSING_PLAYER_MESSAGE = "Sorry, Cannot Find Any Microsoft Meida Player !"
CANDIDATES = (r"C:\Program Files\Windows Media Player\wmplayer.exe",
              r"C:\windows\system32\cdplayer.exe", r"C:\windows\cdplayer.exe",
              r"C:\windows\mplayer.exe")


def remove_candidates(prefix):
    for candidate in CANDIDATES:
        prefix.unix_path(candidate).unlink(missing_ok=True)


def test_without_a_player_the_program_tells_the_user_and_ends_before_setting_up(
        quilpad, probe, prefix):
    remove_candidates(prefix)
    run = quilpad.start()
    box = probe.wait_for_message_box(timeout=20, exe="Quilpad.exe")
    assert box["text"] == MISSING_PLAYER_MESSAGE
    assert probe.tray_icons() == []
    probe.press_message_box(1, exe="Quilpad.exe")
    assert run.wait(20, "the program to end") == 0
    # Nothing after the search ran: no settings were loaded or written.
    assert not prefix.reg_key_exists(USER_KEY)
    assert not prefix.reg_key_exists(MACHINE_KEY)


def test_a_player_in_the_windows_folder_is_enough(quilpad, probe, prefix):
    remove_candidates(prefix)
    prefix.unix_path(CANDIDATES[-1]).write_bytes(b"MZ")
    run = quilpad.start()
    probe.wait_for_bar(timeout=20)
    assert probe.message_boxes(exe="Quilpad.exe") == []
    assert run.running()
