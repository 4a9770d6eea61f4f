"""Registry keys of the program and what a first run writes into them."""

USER_KEY = r"HKCU\software\VRX\0.01"
MACHINE_KEY = r"HKLM\software\TZK\VRX\0.01"
MIRROR_KEY = r"HKCU\software\QPD\0.01"

DEFAULT_MAIL_PROGRAM = r"C:\Program Files\Outlook Express\MSIMN.EXE"
DEFAULT_WAVE_PATH = r"C:\windows\Media\notify.wav"

# The user group after a first run, without LastNewTimeStamp (the time of the run).
FIRST_RUN_USER_VALUES = {
    "MailProgram": ("REG_SZ", DEFAULT_MAIL_PROGRAM),
    "MailHost": ("REG_SZ", ""),
    "MailPgmParam": ("REG_SZ", "/mail"),
    "MailPollEn": ("REG_DWORD", 0),
    "MailPollTime": ("REG_DWORD", 5),
    "MailPwd": ("REG_SZ", ""),
    "MailUser": ("REG_SZ", ""),
    "ServerType": ("REG_DWORD", 0),
    "SusMailPollEn": ("REG_DWORD", 0),
    "SusMailPollTime": ("REG_DWORD", 30),
    "Sound": ("REG_DWORD", 0),
    "ShowMessage": ("REG_DWORD", 1),
    "Style": ("REG_DWORD", 1),
    "WavePath": ("REG_SZ", DEFAULT_WAVE_PATH),
    "WaveOption": ("REG_DWORD", 0),
    "FloatStyleOption": ("REG_DWORD", 1),
    "MailPushEn": ("REG_DWORD", 1),
}

FIRST_RUN_MACHINE_VALUES = {
    **{f"Param{n}": ("REG_SZ", "") for n in range(5)},
    **{f"ProgramFile{n}": ("REG_SZ", "") for n in range(4)},
}

SLOT_BUTTONS = (1000, 1023, 1024, 1025)
STATUS_STRIP = 1003
# The clear and browse buttons of every slot and the delete-all button.
SMALL_BUTTONS = (1001, 1029, 1030, 1031, 1032, 1040, 1004, 1033, 1034, 1035, 1036)

WS_CAPTION = 0x00C00000
WS_EX_ACCEPTFILES = 0x10
WS_EX_CLIENTEDGE = 0x200
WS_EX_APPWINDOW = 0x40000
WS_EX_TOOLWINDOW = 0x80

WM_CLOSE = 0x0010
WM_SYSCOMMAND = 0x0112
SC_CLOSE = 0xF060

WM_LBUTTONDBLCLK = 0x0203
WM_RBUTTONDOWN = 0x0204
WM_RBUTTONUP = 0x0205
WM_LBUTTONDOWN = 0x0201
WM_LBUTTONUP = 0x0202
WM_MOUSEMOVE = 0x0200
WM_NULL = 0x0000
TRAY_CALLBACK = 0x0401


def write_user_group(prefix, **overrides):
    """A complete user group as an earlier run left it, with some values replaced; a value
    given as (None, None) is left out."""
    values = dict(FIRST_RUN_USER_VALUES, LastNewTimeStamp=("REG_SZ", "2020/01/02 03:04"))
    values.update(overrides)
    prefix.reg_set_values(USER_KEY, {name: value for name, value in values.items()
                                     if value[0] is not None})


def client_point(x, y):
    return (y << 16) | x
