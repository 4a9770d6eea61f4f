"""QuilpadSetup.exe and its uninstaller in silent mode: what they put on the machine, the start
from the logon entry, installing over a running instance and uninstalling while it runs.

The setup is run as a scripted install would run it; the program is started from the `Run`
entry's own command line with the system folder as its current folder, as at logon."""

import os
import re
from pathlib import Path

import pytest

import device_helpers
import quilpad_harness as qh
from quilpad_keys import MACHINE_KEY, MIRROR_KEY, USER_KEY

SETUP_EXE = qh.PROGRAM_DIR / "QuilpadSetup.exe"
VERSION_H = qh.REPO_ROOT / "res" / "version.h"
INSTALL_DIR = qh.INSTALL_DIR_WIN
PROGRAM = INSTALL_DIR + r"\Quilpad.exe"
UNINSTALLER = INSTALL_DIR + r"\Uninstall.exe"
SYSTEM_DIR = r"C:\windows\system32"
RUN_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Run"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quilpad"
SHIPPED = ("Quilpad.exe", "VRXMail.DLL", "Language.ini")
EXIT_WITNESS = r"C:\written-while-it-ran.txt"


def version_h(name):
    return re.search(rf"#define {name} (\S+)", VERSION_H.read_text()).group(1)


def expected_version():
    return ".".join(version_h(f"QP_VERSION_{part}") for part in ("MAJOR", "MINOR", "PATCH", "BUILD"))


def run_silently(prefix, program, *args, log_name):
    """Runs a setup or uninstall program to its end; returns its exit code."""
    if not SETUP_EXE.is_file():
        pytest.fail(f"{SETUP_EXE} is missing: build first (scripts/build)", pytrace=False)
    return prefix.start([program, *args], cwd=prefix.work_dir, log_name=log_name).wait(
        120, f"{log_name} to end")


def install(prefix, log_name="setup.log"):
    assert run_silently(prefix, SETUP_EXE, "/S", log_name=log_name) == 0


def split_command_line(command_line):
    """A quoted program path and its arguments, as the system splits them."""
    match = re.fullmatch(r'"([^"]+)"\s*(.*)', command_line)
    assert match, f"the program path is not quoted: {command_line!r}"
    return [match.group(1), *match.group(2).split()]


def start_at_logon(prefix, probe):
    """Starts what the Run entry names, from the system folder; returns (process, bar)."""
    command = split_command_line(prefix.reg_get(RUN_KEY, "Quilpad"))
    process = prefix.start(command, cwd=prefix.unix_path(SYSTEM_DIR), log_name="logon.log")
    return process, probe.wait_for_bar(timeout=30)


def shortcut(prefix):
    """The Start-menu entry, wherever the prefix keeps its programs menu; None when absent.
    The walk stays off the links into the host's home folder."""
    found = [Path(folder) / "Quilpad.lnk" for folder, _, files in os.walk(prefix.drive_c)
             if "Quilpad.lnk" in files and folder.endswith(os.path.join("Start Menu", "Programs"))]
    assert len(found) <= 1, found
    return found[0] if found else None


def assert_installed(prefix):
    install_dir = prefix.unix_path(INSTALL_DIR)
    for name in SHIPPED:
        assert (install_dir / name).read_bytes() == (qh.PROGRAM_DIR / name).read_bytes(), name
    assert (install_dir / "Uninstall.exe").is_file()
    assert prefix.unix_path(SYSTEM_DIR + r"\Language.ini").read_bytes() == \
        (qh.PROGRAM_DIR / "Language.ini").read_bytes()


def write_witness_while_running(prefix):
    """The running program holds slot 2 empty; its Exit saves that over this value."""
    prefix.reg_set(MACHINE_KEY, "ProgramFile2", "REG_SZ", EXIT_WITNESS)


def test_silent_install_puts_everything_in_place_and_the_logon_entry_starts_it(prefix, probe):
    # Without the device the install goes on: no message waits for a click.
    install(prefix)
    assert_installed(prefix)

    assert prefix.reg_get(RUN_KEY, "Quilpad") == f'"{PROGRAM}"'
    link = shortcut(prefix)
    assert link is not None, "no Start-menu entry"
    data = link.read_bytes()
    assert PROGRAM.encode() in data or PROGRAM.encode("utf-16-le") in data

    entry = prefix.reg_values(UNINSTALL_KEY)
    assert entry is not None, "no entry in the list of installed programs"
    assert {name: entry[name][1] for name in (
        "DisplayName", "DisplayVersion", "Publisher", "UninstallString", "QuietUninstallString",
        "InstallLocation", "DisplayIcon")} == {
        "DisplayName": "Quilpad",
        "DisplayVersion": expected_version(),
        "Publisher": version_h("QP_PUBLISHER").strip('"'),
        "UninstallString": f'"{UNINSTALLER}"',
        "QuietUninstallString": f'"{UNINSTALLER}" /S',
        "InstallLocation": INSTALL_DIR,
        "DisplayIcon": PROGRAM + ",0",
    }
    installed = prefix.unix_path(INSTALL_DIR)
    kilobytes = sum(f.stat().st_size for f in installed.iterdir()) / 1024
    assert entry["EstimatedSize"][0] == "REG_DWORD"
    assert abs(entry["EstimatedSize"][1] - kilobytes) <= 4

    assert probe.find() is None, "the setup started the program though the device is absent"
    device_helpers.install_driver(prefix)
    process, bar = start_at_logon(prefix, probe)
    assert bar["title"] == "Quilpad"  # its texts were found away from its own folder
    assert probe.message_boxes(exe="Quilpad.exe") == []
    assert process.running()


def test_install_over_a_running_instance_ends_it_and_starts_the_new_files(prefix, probe):
    device_helpers.install_driver(prefix)
    install(prefix, "setup-1.log")
    assert probe.find() is None, "a first install started the program"
    kept = r"C:\kept.txt"
    prefix.reg_set(MACHINE_KEY, "ProgramFile1", "REG_SZ", kept)
    # The files of an older version: another title in its texts.
    for folder in (INSTALL_DIR, SYSTEM_DIR):
        texts = prefix.unix_path(folder + r"\Language.ini")
        texts.write_bytes(texts.read_bytes().replace(b"t1=Quilpad", b"t1=Quilpad old"))
    old, old_bar = start_at_logon(prefix, probe)
    assert old_bar["title"] == "Quilpad old"
    write_witness_while_running(prefix)

    install(prefix, "setup-2.log")

    assert old.wait(10, "the old instance to end") == 0, "it was not ended through Exit"
    assert prefix.reg_get(MACHINE_KEY, "ProgramFile2") == "", "its settings were not saved"
    assert prefix.reg_get(MACHINE_KEY, "ProgramFile1") == kept
    assert_installed(prefix)
    bar = probe.wait_for_bar(timeout=30)
    assert bar["pid"] != old_bar["pid"]
    assert bar["title"] == "Quilpad"


@pytest.mark.parametrize("remove_settings", [False, True], ids=["keeping settings", "removing settings"])
def test_silent_uninstall_ends_the_program_and_leaves_nothing_behind(prefix, probe, remove_settings):
    device_helpers.install_driver(prefix)
    install(prefix)
    process, _ = start_at_logon(prefix, probe)
    write_witness_while_running(prefix)
    prefix.reg_set(MIRROR_KEY, "Sound", "REG_DWORD", 1)

    command = split_command_line(prefix.reg_get(UNINSTALL_KEY, "QuietUninstallString"))
    extra = ["/REMOVESETTINGS"] if remove_settings else []
    # The uninstaller hands over to a copy of itself in the temporary folder and returns.
    assert run_silently(prefix, *command, *extra, log_name="uninstall.log") == 0
    install_dir = prefix.unix_path(INSTALL_DIR)
    qh.wait_until(lambda: not install_dir.exists(), 60, "the program's folder to be removed")

    assert process.wait(10, "the program to end") == 0
    assert probe.find() is None
    assert prefix.reg_get(RUN_KEY, "Quilpad") is None
    assert not prefix.reg_key_exists(UNINSTALL_KEY)
    assert shortcut(prefix) is None
    assert not prefix.unix_path(SYSTEM_DIR + r"\Language.ini").exists()
    if remove_settings:
        for key in (USER_KEY, MIRROR_KEY, MACHINE_KEY, r"HKCU\software\VRX",
                    r"HKCU\software\QPD", r"HKLM\software\TZK"):
            assert not prefix.reg_key_exists(key), key
    else:
        assert prefix.reg_get(MACHINE_KEY, "ProgramFile2") == "", "its settings were not saved"
        assert prefix.reg_get(USER_KEY, "Style") == 1
        assert prefix.reg_get(MIRROR_KEY, "Sound") == 1
