"""The window's texts by the system locale, from Language.ini in the current directory or the
system directory, with the English defaults and the missing-file message."""

import pytest

MISSING_FILE_MESSAGE = '" *.ini "  is not find, Press Enter to Get Default Language !'

# A language file of the test's own: every section names itself in its title.
SECTIONS = ("UK", "Swedan", "German", "Spanish", "French", "Taiwan", "China", "Japan",
            "Korea", "Italian", "Dutch")


def language_file(sections, t1=lambda section: f"Title {section}"):
    lines = []
    for section in sections:
        lines.append(f"[{section}]")
        if t1(section) is not None:
            lines.append(f"t1={t1(section)}")
        lines += [f"t{n}=Text {n} {section}" for n in range(2, 20)]
    return ("\r\n".join(lines) + "\r\n").encode("cp1252")


def system_directory(prefix):
    return prefix.unix_path(r"C:\windows\system32")


def start_and_read_title(quilpad, probe, lc_all="C.UTF-8"):
    quilpad.start(lc_all=lc_all)
    return probe.wait_for_bar(timeout=20)["title"]


@pytest.mark.parametrize("lc_all, section", [
    ("C.UTF-8", "UK"),
    ("en_GB.UTF-8", "UK"),
    ("sv_SE.UTF-8", "Swedan"),
    ("de_DE.UTF-8", "German"),
    ("es_ES.UTF-8", "Spanish"),
    ("fr_FR.UTF-8", "French"),
    ("ru_RU.UTF-8", "UK"),  # 0x0419 is listed, but reads the UK section
    ("pt_PT.UTF-8", "UK"),  # not listed at all
])
def test_title_comes_from_the_section_of_the_system_locale(quilpad, probe, lc_all, section):
    (quilpad.install_dir / "Language.ini").write_bytes(language_file(SECTIONS))
    assert start_and_read_title(quilpad, probe, lc_all) == f"Title {section}"


def test_current_directory_is_preferred_to_the_system_directory(quilpad, probe, prefix):
    (quilpad.install_dir / "Language.ini").write_bytes(
        language_file(["UK"], t1=lambda _: "From the program folder"))
    (system_directory(prefix) / "Language.ini").write_bytes(
        language_file(["UK"], t1=lambda _: "From the system folder"))
    assert start_and_read_title(quilpad, probe) == "From the program folder"


def test_system_directory_is_read_when_the_current_one_has_no_file(quilpad, probe, prefix):
    (quilpad.install_dir / "Language.ini").unlink()
    (system_directory(prefix) / "Language.ini").write_bytes(
        language_file(["UK"], t1=lambda _: "From the system folder"))
    assert start_and_read_title(quilpad, probe) == "From the system folder"


def test_missing_file_is_reported_and_the_english_defaults_used(quilpad, probe):
    (quilpad.install_dir / "Language.ini").unlink()
    run = quilpad.start()
    box = probe.wait_for_message_box(timeout=20, exe="Quilpad.exe")
    assert box["text"] == MISSING_FILE_MESSAGE
    assert [b["id"] for b in box["buttons"]] == [1]
    probe.press_message_box(1, exe="Quilpad.exe")
    assert probe.wait_for_bar(timeout=20)["title"] == ""
    assert run.running()


@pytest.mark.parametrize("case, t1", [
    ("section without t1", None),
    ("t1 reading None", "None"),
    ("no section for the language", "unused"),
])
def test_a_missing_title_means_the_english_defaults(quilpad, probe, case, t1):
    sections = ["German"] if case == "no section for the language" else ["UK"]
    (quilpad.install_dir / "Language.ini").write_bytes(language_file(sections, lambda _: t1))
    assert start_and_read_title(quilpad, probe) == ""
    assert probe.message_boxes(exe="Quilpad.exe") == []


def test_an_empty_title_is_kept(quilpad, probe):
    (quilpad.install_dir / "Language.ini").write_bytes(language_file(["UK"], lambda _: ""))
    assert start_and_read_title(quilpad, probe) == ""


def test_a_long_title_is_cut_to_259_characters(quilpad, probe):
    (quilpad.install_dir / "Language.ini").write_bytes(language_file(["UK"], lambda _: "T" * 400))
    assert start_and_read_title(quilpad, probe) == "T" * 259


def test_shipped_file_titles_the_window(quilpad, probe):
    assert start_and_read_title(quilpad, probe, "sv_SE.UTF-8") == "Quilpad"
