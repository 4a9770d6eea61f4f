// qpprobe: reads and pokes Quilpad's button bar and message boxes from outside, for the
// system tests. One command per run; the answer is one JSON object on stdout (ASCII only,
// other characters as \uXXXX). Exit code: 0 found/done, 1 not found or failed, 2 usage.
// `qpprobe serve` answers one command a line instead, for a test that asks hundreds of
// times: starting a process under Wine costs far more than the question.

#include <windows.h>
#include <tlhelp32.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: qpprobe COMMAND [ARGS]\n"
    "  find                              the button bar window\n"
    "  control ID                        one control of the button bar\n"
    "  controls                          all child controls of the button bar\n"
    "  command ID [CODE]                 post WM_COMMAND(ID, CODE) to the button bar\n"
    "  post MSG WPARAM LPARAM [--to ID]  post a message to the bar (or its control ID)\n"
    "  send MSG WPARAM LPARAM [--to ID] [--timeout MS]\n"
    "                                    SendMessageTimeout, prints the result\n"
    "  key VK                            post WM_KEYDOWN/WM_KEYUP to the bar's focused control\n"
    "                                    (VK: a number or esc, enter, tab, space)\n"
    "  serve                             read commands from stdin, one a line with the arguments\n"
    "                                    separated by tabs (UTF-8); answer each with its JSON\n"
    "                                    line and then a line \"rc N\", N its exit code\n"
    "  msgbox [--bar | --exe NAME]       visible message boxes (only the bar's process, or one exe)\n"
    "  msgbox-press ID [--bar | --exe NAME]\n"
    "                                    click button ID of the only matching message box\n"
    "  windows                           the other visible top-level windows of the bar's process\n"
    "  tray-icons                        the icons of Wine's own notification-area window\n"
    "  settext ID TEXT                   WM_SETTEXT to control ID of the bar\n"
    "  focus                             the control that has the focus in the bar's thread\n"
    "find, control, controls, command, post, send and settext take --window TITLE: a\n"
    "visible top-level dialog of the bar's process with that title instead of the bar.\n"
    "Numbers take decimal or 0x hex.\n";

const int kBarControlIds[] = {1000, 1003, 1040};
const int kMessageBoxTextId = 0xFFFF;

struct UsageError {};

// ---- JSON output -----------------------------------------------------------------------

class Json {
public:
    Json& key(const char* name) {
        comma();
        quoted(std::wstring(name, name + std::strlen(name)));
        out_ += ':';
        fresh_ = true;
        return *this;
    }
    Json& string(const std::wstring& s) {
        comma();
        quoted(s);
        return *this;
    }
    Json& string(const char* s) { return string(std::wstring(s, s + std::strlen(s))); }
    Json& number(long long n) {
        comma();
        out_ += std::to_string(n);
        return *this;
    }
    Json& boolean(bool b) {
        comma();
        out_ += b ? "true" : "false";
        return *this;
    }
    Json& rect(const RECT& r) {
        begin('[');
        number(r.left).number(r.top).number(r.right).number(r.bottom);
        return end(']');
    }
    Json& begin(char bracket) {
        comma();
        out_ += bracket;
        fresh_ = true;
        return *this;
    }
    Json& end(char bracket) {
        out_ += bracket;
        fresh_ = false;
        return *this;
    }
    void print() const { std::printf("%s\n", out_.c_str()); }

private:
    void quoted(const std::wstring& s) {
        out_ += '"';
        for (wchar_t c : s) {
            if (c == L'"' || c == L'\\') {
                out_ += '\\';
                out_ += static_cast<char>(c);
            } else if (c >= 0x20 && c < 0x7F) {
                out_ += static_cast<char>(c);
            } else {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", static_cast<unsigned>(c));
                out_ += esc;
            }
        }
        out_ += '"';
    }
    void comma() {
        if (!fresh_) out_ += ',';
        fresh_ = false;
    }
    std::string out_;
    bool fresh_ = true;
};

// ---- window facts ----------------------------------------------------------------------

std::wstring className(HWND hwnd) {
    wchar_t buf[256] = L"";
    GetClassNameW(hwnd, buf, 256);
    return buf;
}

// WM_GETTEXT rather than GetWindowText: the latter does not ask windows of other processes,
// and an edit control keeps its text to itself.
std::wstring windowText(HWND hwnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return L"";
    std::vector<wchar_t> buf(length + 2, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    return std::wstring(buf.data());
}

DWORD processOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

std::wstring exeNameOf(DWORD pid) {
    std::wstring name;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return name;
    PROCESSENTRY32W entry;
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snapshot, &entry); ok; ok = Process32NextW(snapshot, &entry)) {
        if (entry.th32ProcessID == pid) {
            name = entry.szExeFile;
            break;
        }
    }
    CloseHandle(snapshot);
    return name;
}

bool isDialog(HWND hwnd) { return className(hwnd) == L"#32770"; }

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> topLevelWindows() {
    std::vector<HWND> found;
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND findBar() {
    for (HWND hwnd : topLevelWindows()) {
        if (!isDialog(hwnd)) continue;
        bool all = true;
        for (int id : kBarControlIds) all = all && GetDlgItem(hwnd, id) != nullptr;
        if (all) return hwnd;
    }
    return nullptr;
}

RECT rectInClientOf(HWND hwnd, HWND parent) {
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT clientRectOnScreen(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, HWND_DESKTOP, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void describeWindow(Json& json, HWND hwnd) {
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    DWORD pid = processOf(hwnd);
    json.key("hwnd").number(reinterpret_cast<uintptr_t>(hwnd));
    json.key("pid").number(pid);
    json.key("exe").string(exeNameOf(pid));
    json.key("class").string(className(hwnd));
    json.key("title").string(windowText(hwnd));
    json.key("visible").boolean(IsWindowVisible(hwnd));
    json.key("enabled").boolean(IsWindowEnabled(hwnd));
    json.key("rect").rect(window);
    json.key("client_rect").rect(client);
    json.key("client_screen").rect(clientRectOnScreen(hwnd));
    json.key("style").number(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)));
    json.key("exstyle").number(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
}

void describeControl(Json& json, HWND dialog, HWND control) {
    json.key("id").number(GetDlgCtrlID(control));
    json.key("hwnd").number(reinterpret_cast<uintptr_t>(control));
    json.key("class").string(className(control));
    json.key("text").string(windowText(control));
    json.key("visible").boolean(IsWindowVisible(control));
    json.key("enabled").boolean(IsWindowEnabled(control));
    json.key("rect").rect(rectInClientOf(control, dialog));
    RECT screen;
    GetWindowRect(control, &screen);
    json.key("screen_rect").rect(screen);
    json.key("style").number(static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE)));
    json.key("exstyle").number(static_cast<DWORD>(GetWindowLongW(control, GWL_EXSTYLE)));
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        children.push_back(c);
    return children;
}

// ---- arguments ---------------------------------------------------------------------------

long long parseNumber(const char* text) {
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 0);
    if (end == text || *end != '\0') {
        unsigned long long u = std::strtoull(text, &end, 0);
        if (end == text || *end != '\0') throw UsageError{};
        value = static_cast<long long>(u);
    }
    return value;
}

int parseKey(const std::string& name) {
    if (name == "esc" || name == "escape") return VK_ESCAPE;
    if (name == "enter" || name == "return") return VK_RETURN;
    if (name == "tab") return VK_TAB;
    if (name == "space") return VK_SPACE;
    return static_cast<int>(parseNumber(name.c_str()));
}

struct Args {
    std::vector<std::string> positional;
    int to = -1;            // --to ID
    DWORD timeoutMs = 2000;  // --timeout MS
    bool barOnly = false;   // --bar
    std::wstring exe;       // --exe NAME
    std::wstring window;    // --window TITLE
};

std::wstring wide(const std::string& text) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> buf(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, buf.data(), static_cast<int>(buf.size()));
    return buf.data();
}

Args parseArgs(int argc, char** argv) {
    Args args;
    for (int i = 2; i < argc; ++i) {
        std::string a = argv[i];
        bool hasValue = i + 1 < argc;
        if (a == "--to" && hasValue) {
            args.to = static_cast<int>(parseNumber(argv[++i]));
        } else if (a == "--timeout" && hasValue) {
            args.timeoutMs = static_cast<DWORD>(parseNumber(argv[++i]));
        } else if (a == "--bar") {
            args.barOnly = true;
        } else if (a == "--exe" && hasValue) {
            std::string n = argv[++i];
            args.exe.assign(n.begin(), n.end());
        } else if (a == "--window" && hasValue) {
            args.window = wide(argv[++i]);
        } else if (a.rfind("--", 0) == 0) {
            throw UsageError{};
        } else {
            args.positional.push_back(a);
        }
    }
    return args;
}

int notFound(const char* what) {
    Json json;
    json.begin('{').key("found").boolean(false).key("error").string(what).end('}').print();
    return 1;
}

// ---- commands -----------------------------------------------------------------------------

int cmdFind(HWND bar) {
    Json json;
    json.begin('{').key("found").boolean(true);
    describeWindow(json, bar);
    json.end('}').print();
    return 0;
}

int cmdControl(HWND bar, int id) {
    HWND control = GetDlgItem(bar, id);
    if (!control) return notFound("no such control");
    Json json;
    json.begin('{').key("found").boolean(true);
    describeControl(json, bar, control);
    json.end('}').print();
    return 0;
}

int cmdControls(HWND bar) {
    Json json;
    json.begin('{').key("found").boolean(true).key("controls").begin('[');
    for (HWND c : childrenOf(bar)) {
        json.begin('{');
        describeControl(json, bar, c);
        json.end('}');
    }
    json.end(']').end('}').print();
    return 0;
}

// Sends or posts to the bar, or to its control --to ID.
int cmdMessage(HWND bar, const Args& args, bool send) {
    HWND target = bar;
    if (args.to >= 0 && !(target = GetDlgItem(bar, args.to))) return notFound("no such control");
    UINT msg = static_cast<UINT>(parseNumber(args.positional[0].c_str()));
    WPARAM wp = static_cast<WPARAM>(parseNumber(args.positional[1].c_str()));
    LPARAM lp = static_cast<LPARAM>(parseNumber(args.positional[2].c_str()));
    Json json;
    json.begin('{').key("found").boolean(true).key("target").number(reinterpret_cast<uintptr_t>(target));
    bool ok;
    if (send) {
        DWORD_PTR result = 0;
        ok = SendMessageTimeoutW(target, msg, wp, lp, SMTO_ABORTIFHUNG, args.timeoutMs, &result) != 0;
        json.key("result").number(static_cast<long long>(static_cast<LONG_PTR>(result)));
    } else {
        ok = PostMessageW(target, msg, wp, lp) != 0;
    }
    json.key("ok").boolean(ok).end('}').print();
    return ok ? 0 : 1;
}

int cmdCommand(HWND bar, const Args& args) {
    int id = static_cast<int>(parseNumber(args.positional[0].c_str()));
    int code = args.positional.size() == 2 ? static_cast<int>(parseNumber(args.positional[1].c_str())) : 0;
    // A control's notification carries its window, as when the user clicks it; a menu id has none.
    HWND control = GetDlgItem(bar, id);
    bool ok = PostMessageW(bar, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control)) != 0;
    Json json;
    json.begin('{').key("found").boolean(true).key("ok").boolean(ok).end('}').print();
    return ok ? 0 : 1;
}

// Posted to the focused control of the bar's thread, so that the program's own message loop
// and IsDialogMessage see the key as they would a real one.
int cmdKey(HWND bar, int vk) {
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    DWORD thread = GetWindowThreadProcessId(bar, nullptr);
    HWND target = GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : bar;
    UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), 0 /* MAPVK_VK_TO_VSC */);
    const DWORD down = 1 | (scan & 0xFF) << 16;
    const DWORD up = down | 0xC0000000u;  // previous state down, transition up
    bool ok = PostMessageW(target, WM_KEYDOWN, vk, static_cast<LPARAM>(down)) &&
              PostMessageW(target, WM_KEYUP, vk, static_cast<LPARAM>(up));
    Json json;
    json.begin('{').key("found").boolean(true).key("target").number(reinterpret_cast<uintptr_t>(target));
    json.key("target_id").number(target == bar ? 0 : GetDlgCtrlID(target)).key("ok").boolean(ok).end('}').print();
    return ok ? 0 : 1;
}

std::vector<HWND> messageBoxes(const Args& args) {
    DWORD barPid = 0;
    if (args.barOnly) {
        HWND bar = findBar();
        if (!bar) return {};
        barPid = processOf(bar);
    }
    std::vector<HWND> boxes;
    for (HWND hwnd : topLevelWindows()) {
        if (!IsWindowVisible(hwnd) || !isDialog(hwnd)) continue;
        HWND text = GetDlgItem(hwnd, kMessageBoxTextId);
        if (!text || className(text) != L"Static") continue;
        DWORD pid = processOf(hwnd);
        if (args.barOnly && pid != barPid) continue;
        if (!args.exe.empty() && lstrcmpiW(exeNameOf(pid).c_str(), args.exe.c_str()) != 0) continue;
        boxes.push_back(hwnd);
    }
    return boxes;
}

int cmdMessageBoxes(const Args& args) {
    std::vector<HWND> boxes = messageBoxes(args);
    Json json;
    json.begin('{').key("found").boolean(!boxes.empty()).key("boxes").begin('[');
    for (HWND box : boxes) {
        json.begin('{');
        describeWindow(json, box);
        json.key("text").string(windowText(GetDlgItem(box, kMessageBoxTextId)));
        json.key("buttons").begin('[');
        for (HWND c : childrenOf(box)) {
            if (className(c) != L"Button" || !IsWindowVisible(c)) continue;
            json.begin('{').key("id").number(GetDlgCtrlID(c)).key("text").string(windowText(c)).end('}');
        }
        json.end(']').end('}');
    }
    json.end(']').end('}').print();
    return boxes.empty() ? 1 : 0;
}

int cmdPressMessageBox(const Args& args) {
    int id = static_cast<int>(parseNumber(args.positional[0].c_str()));
    std::vector<HWND> boxes = messageBoxes(args);
    if (boxes.empty()) return notFound("no message box");
    if (boxes.size() > 1) return notFound("more than one message box");
    HWND button = GetDlgItem(boxes[0], id);
    if (!button || className(button) != L"Button") return notFound("no such button");
    bool ok = PostMessageW(boxes[0], WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(button)) != 0;
    Json json;
    json.begin('{').key("found").boolean(true).key("hwnd").number(reinterpret_cast<uintptr_t>(boxes[0]));
    json.key("ok").boolean(ok).end('}').print();
    return ok ? 0 : 1;
}

// Every visible top-level window of the bar's process but the bar: popup menus, tips,
// dialogs. A tip's window text is the tip being shown.
int cmdWindows(HWND bar) {
    DWORD barPid = processOf(bar);
    Json json;
    json.begin('{').key("found").boolean(true).key("windows").begin('[');
    for (HWND hwnd : topLevelWindows()) {
        if (hwnd == bar || !IsWindowVisible(hwnd) || processOf(hwnd) != barPid) continue;
        json.begin('{');
        describeWindow(json, hwnd);
        json.end('}');
    }
    json.end(']').end('}').print();
    return 0;
}

BOOL CALLBACK collectChild(HWND hwnd, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(hwnd);
    return TRUE;
}

// The icons of the notification area that Wine shows when no desktop tray is running.
int cmdTrayIcons() {
    Json json;
    json.begin('{').key("found").boolean(true).key("icons").begin('[');
    for (HWND top : topLevelWindows()) {
        std::vector<HWND> children;
        EnumChildWindows(top, collectChild, reinterpret_cast<LPARAM>(&children));
        for (HWND icon : children) {
            if (className(icon) != L"__winex11_tray_icon" || !IsWindowVisible(icon)) continue;
            RECT r;
            GetWindowRect(icon, &r);
            json.begin('{').key("hwnd").number(reinterpret_cast<uintptr_t>(icon));
            json.key("rect").rect(r).end('}');
        }
    }
    json.end(']').end('}').print();
    return 0;
}

int cmdSetText(HWND dialog, const Args& args) {
    HWND control = GetDlgItem(dialog, static_cast<int>(parseNumber(args.positional[0].c_str())));
    if (!control) return notFound("no such control");
    DWORD_PTR result = 0;
    bool ok = SendMessageTimeoutW(control, WM_SETTEXT, 0,
                                  reinterpret_cast<LPARAM>(wide(args.positional[1]).c_str()),
                                  SMTO_ABORTIFHUNG, args.timeoutMs, &result) != 0;
    Json json;
    json.begin('{').key("found").boolean(true).key("ok").boolean(ok && result).end('}').print();
    return ok ? 0 : 1;
}

// The focus of the bar's thread: the control, its id and the top-level window it is in.
int cmdFocus(HWND bar) {
    GUITHREADINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(bar, nullptr), &info) || !info.hwndFocus)
        return notFound("no focus");
    HWND root = GetAncestor(info.hwndFocus, GA_ROOT);
    // The edit inside a combo box stands for the combo box.
    HWND control = info.hwndFocus;
    while (control != root && GetParent(control) != root) control = GetParent(control);
    Json json;
    json.begin('{').key("found").boolean(true);
    json.key("id").number(control == root ? 0 : GetDlgCtrlID(control));
    json.key("class").string(className(control));
    json.key("window_title").string(windowText(root));
    json.end('}').print();
    return 0;
}

// A visible dialog of the bar's process other than the bar, by its title.
HWND findOwnDialog(HWND bar, const std::wstring& title) {
    DWORD barPid = processOf(bar);
    for (HWND hwnd : topLevelWindows()) {
        if (hwnd != bar && IsWindowVisible(hwnd) && isDialog(hwnd) && processOf(hwnd) == barPid &&
            windowText(hwnd) == title)
            return hwnd;
    }
    return nullptr;
}

struct Command {
    const char* name;
    size_t minArgs, maxArgs;
    bool needsBar;
};

const Command kCommands[] = {
    {"find", 0, 0, true},     {"control", 1, 1, true}, {"controls", 0, 0, true},
    {"command", 1, 2, true},  {"post", 3, 3, true},    {"send", 3, 3, true},
    {"key", 1, 1, true},      {"msgbox", 0, 0, false}, {"msgbox-press", 1, 1, false},
    {"windows", 0, 0, true},  {"tray-icons", 0, 0, false}, {"settext", 2, 2, true},
    {"focus", 0, 0, true},
};

int run(int argc, char** argv) {
    if (argc < 2) throw UsageError{};
    const std::string name = argv[1];
    const Args args = parseArgs(argc, argv);
    const auto& pos = args.positional;
    const Command* command = nullptr;
    for (const Command& c : kCommands)
        if (name == c.name) command = &c;
    if (!command || pos.size() < command->minArgs || pos.size() > command->maxArgs)
        throw UsageError{};
    // Numbers are checked before anything is looked up, so that a typo is a usage error.
    for (size_t i = 0; i < pos.size(); ++i) {
        const std::string& p = pos[i];
        if (name == "settext" && i == 1) continue;  // the text itself
        if (name == "key")
            parseKey(p);
        else
            parseNumber(p.c_str());
    }

    if (name == "msgbox") return cmdMessageBoxes(args);
    if (name == "msgbox-press") return cmdPressMessageBox(args);
    if (name == "tray-icons") return cmdTrayIcons();

    HWND bar = findBar();
    if (!bar) return notFound("no button bar window");
    if (name == "windows") return cmdWindows(bar);
    if (name == "focus") return cmdFocus(bar);
    if (name == "key") return cmdKey(bar, parseKey(pos[0]));
    HWND target = bar;
    if (!args.window.empty() && !(target = findOwnDialog(bar, args.window)))
        return notFound("no such window");
    if (name == "find") return cmdFind(target);
    if (name == "control") return cmdControl(target, static_cast<int>(parseNumber(pos[0].c_str())));
    if (name == "controls") return cmdControls(target);
    if (name == "command") return cmdCommand(target, args);
    if (name == "post") return cmdMessage(target, args, false);
    if (name == "send") return cmdMessage(target, args, true);
    return cmdSetText(target, args);
}

int runOrUsage(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const UsageError&) {
        std::fputs(kUsage, stderr);
        return 2;
    }
}

// The arguments as the command line would have brought them: in the ANSI code page.
std::string fromUtf8(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wideText(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wideText.data(), static_cast<int>(wideText.size()));
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wideText.data(), -1, nullptr, 0, nullptr, nullptr);
    std::vector<char> ansi(bytes > 0 ? bytes : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, wideText.data(), -1, ansi.data(), static_cast<int>(ansi.size()),
                        nullptr, nullptr);
    return ansi.data();
}

int serve() {
    std::string line;
    for (int c; (c = std::getchar()) != EOF;) {
        if (c != '\n') {
            if (c != '\r') line += static_cast<char>(c);
            continue;
        }
        std::vector<std::string> fields{"qpprobe"};
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(fromUtf8(line.substr(start, tab - start)));
        fields.push_back(fromUtf8(line.substr(start)));
        line.clear();
        std::vector<char*> argv;
        for (std::string& field : fields) argv.push_back(&field[0]);
        const int rc = runOrUsage(static_cast<int>(argv.size()), argv.data());
        std::printf("rc %d\n", rc);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "serve") == 0) return serve();
    return runOrUsage(argc, argv);
}
