"""The settings as the registry holds them: the first run, the type rules, the Param rule,
values of any length, and the registry wrapper against Wine's own registry."""

import time

import pytest

import quilpad_harness as qh
from quilpad_keys import (FIRST_RUN_MACHINE_VALUES, FIRST_RUN_USER_VALUES, MACHINE_KEY,
                          USER_KEY, WS_CAPTION, write_user_group)

REGISTRY_TEST_EXE = qh.WIN_BUILD / "testbin" / "registry_key_wine_test.exe"


def values_without_default(prefix, key):
    values = prefix.reg_values(key)
    assert values is not None, f"{key} is missing"
    values.pop("", None)
    return values


@pytest.mark.stamps
def test_first_run_writes_the_complete_set_of_both_groups(prefix, quilpad, probe):
    before = qh.local_stamp(time.time())
    quilpad.start_and_wait(probe)[0]
    after = qh.local_stamp(time.time())

    user = values_without_default(prefix, USER_KEY)
    stamp_type, stamp = user.pop("LastNewTimeStamp")
    assert user == FIRST_RUN_USER_VALUES
    assert stamp_type == "REG_SZ"
    assert before <= stamp <= after

    # Lock is read, never written.
    assert values_without_default(prefix, MACHINE_KEY) == FIRST_RUN_MACHINE_VALUES


def test_param_takes_the_last_present_name_and_is_saved_under_all_five(prefix, quilpad, probe):
    write_user_group(prefix)
    prefix.reg_set(MACHINE_KEY, "Param0", "REG_SZ", "/first")
    prefix.reg_set(MACHINE_KEY, "Param4", "REG_SZ", "/play /last")
    quilpad.start_and_wait(probe)[0]  # start-up ends with a save
    for n in range(5):
        assert prefix.reg_get(MACHINE_KEY, f"Param{n}") == "/play /last"


def test_mail_program_of_another_type_is_ignored_without_a_first_run(prefix, quilpad, probe):
    write_user_group(prefix, MailProgram=("REG_EXPAND_SZ", r"%WINDIR%\mail.exe"),
                     MailHost=("REG_SZ", "mail.example.org"), MailPollTime=("REG_DWORD", 17),
                     MailPgmParam=(None, None))
    quilpad.start_and_wait(probe)[0]

    assert prefix.reg_get(USER_KEY, "MailHost") == "mail.example.org"
    assert prefix.reg_get(USER_KEY, "MailPollTime") == 17
    assert prefix.reg_get(USER_KEY, "LastNewTimeStamp") == "2020/01/02 03:04"
    # A first run would have written "/mail"; without one the absent value stays empty.
    assert prefix.reg_get(USER_KEY, "MailPgmParam") == ""
    assert prefix.reg_type(USER_KEY, "MailProgram") == "REG_SZ"
    assert prefix.reg_get(USER_KEY, "MailProgram") != r"%WINDIR%\mail.exe"


def test_style_stored_as_text_is_ignored(prefix, quilpad, probe):
    # With Style 2 and the floating option the bar would start captionless.
    write_user_group(prefix, Style=("REG_SZ", "2"), FloatStyleOption=("REG_DWORD", 1))
    quilpad.start_and_wait(probe)[0]
    assert probe.find()["style"] & WS_CAPTION == WS_CAPTION
    # The setting kept its value from before the load, which the save writes back as a number.
    assert prefix.reg_type(USER_KEY, "Style") == "REG_DWORD"
    assert prefix.reg_get(USER_KEY, "Style") == 0


def test_values_of_any_length_and_of_wrong_types_lose_nothing(prefix, quilpad, probe):
    long_host = "h" * 100_000
    long_path = "C:\\" + "\\".join(["folder"] * 2000) + "\\tool.exe"
    write_user_group(prefix, MailPollTime=("REG_BINARY", b"\x07\x00\x00\x00\x00"),
                     MailHost=("REG_SZ", long_host))
    prefix.reg_set_values(MACHINE_KEY, {"ProgramFile1": ("REG_SZ", long_path),
                                        "ProgramFile2": ("REG_BINARY", b"\xff" * 65536)})
    run = quilpad.start_and_wait(probe)[0]
    probe.command(32774)  # Exit saves once more
    assert run.wait(20) == 0

    assert prefix.reg_get(USER_KEY, "MailHost") == long_host
    assert prefix.reg_get(MACHINE_KEY, "ProgramFile1") == long_path
    # A value of the wrong type leaves its setting as it was (empty, 0 before the first load).
    assert prefix.reg_get(MACHINE_KEY, "ProgramFile2") == ""
    assert prefix.reg_get(USER_KEY, "MailPollTime") == 0
    assert prefix.reg_get(USER_KEY, "ShowMessage") == 1


def test_registry_wrapper_against_the_real_registry(prefix, tmp_path):
    run = prefix.start([str(REGISTRY_TEST_EXE)], cwd=tmp_path, log_name="registry_test.log")
    assert run.wait(60) == 0, run.log()
    qh.assert_cases_ran(run.log())
