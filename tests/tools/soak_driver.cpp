// soak_driver.exe: the one Windows process that drives the resident program through a
// soak. It reads one command a line on stdin and answers one line on stdout, so that
// the soak's thousands of actions cost no Wine process start each.
//
//   find [TITLE]          waits for the button bar, or for the top-level window TITLE of
//                         another program to drive the same way; "bar PID"
//   check MS              restamp-and-check; waits up to MS for the report: "report TEXT"
//                         or "noreport TEXT" (the status strip as last seen). Meanwhile it
//                         acknowledges new mail as a user double-clicks the blinking icon:
//                         a later report waits for the blinking of an earlier one.
//   wait MS               waits up to MS for the report of a check already started:
//                         "report TEXT" or "noreport TEXT"
//   ack                   the double-click on the tray icon that acknowledges new mail
//   mark                  puts a mark into the status strip, so that the report of a check
//                         the program starts by itself (a pushed delivery) is told from the
//                         last one by "wait": "ok"
//   press CODE            queues a hardware button press in the device
//   pending MS            waits up to MS for the queued presses to be read: "pending N"
//   command ID            WM_COMMAND ID to the bar (style switch, clear buttons, ...), sent:
//                         "ok" once the bar has handled it, "timeout" when it did not
//                         within 5 s
//   assign BROWSE PATH    the slot's browse button, then PATH in the file chooser: "assigned"
//                         or "nochooser"
//   wake MS               a timer wake: the suspend query and the automatic resume, sent
//                         as the system sends them; waits up to MS for the device to see,
//                         in this order, the LED command of the wake's check report, the
//                         power query (128) and, as the simulated suspend returns at once
//                         and periodic polling is on, the LED command of the report of
//                         the check that follows the resume: "woke TEXT", "nofollow TEXT",
//                         "noquery TEXT" or "noreport TEXT" by how far it came (TEXT: the
//                         status strip then)
//   resume MS             the user wakes the machine (the resume broadcast after a sleep):
//                         the program checks at once and its watch comes back; waits up
//                         to MS for that check's report: "report TEXT" or "noreport TEXT"
//   census                "census HANDLES THREADS" of the program's process
//   kinds                 "kinds KIND=N ...": the program's kernel handles by object kind
//   handles               "handles" and, tab before each, "VALUE KIND NAME" of every
//                         kernel handle of the program (NAME empty for unnamed objects)
//   regions               "regions" and, tab before each, "BASE END KIND" of every
//                         allocation of the program's address space that holds committed
//                         memory (hex addresses; KIND stack, heap (the process heap's first
//                         reservation), private, image or mapped); the memory Wine's host
//                         side holds is in none of them
//   boxes                 "boxes N": message boxes of the program shown now
//   exit MS               Exit from the tray menu; waits up to MS for the process to end:
//                         "exited MS" or "alive"
//   quit                  ends the driver
#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "tzk_ioctl.h"

namespace {

constexpr int kBarControlIds[] = {1000, 1003, 1040};
constexpr int kStatusStrip = 1003;
constexpr int kRestampAndCheck = 32776;
constexpr int kTrayExit = 32774;
constexpr UINT kTrayCallback = WM_USER + 1;
constexpr DWORD kPowerQuery = 128;
constexpr DWORD kLedOff = 0, kLedOn = 1;
constexpr int kFileNameBox = 0x47C;
constexpr char kSentinel[] = "~soak~";
constexpr char kStartText[] = "Start to logon the server and get mails, please wait...";
constexpr DWORD kPollMs = 5;
constexpr DWORD kLooksBetweenAcknowledgements = 40;
constexpr ULONG kSystemHandleInformation = 16;
constexpr ULONG kObjectNameInformation = 1;
constexpr ULONG kObjectTypeInformation = 2;
constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);

// The layout of one entry of the system's handle list.
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ULONG access;
};

using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using QueryObject = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);

HWND bar = nullptr;
DWORD barPid = 0;

std::string ClassOf(HWND window) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

BOOL CALLBACK FindBar(HWND window, LPARAM) {
    if (ClassOf(window) != "#32770") return TRUE;
    for (int id : kBarControlIds)
        if (!GetDlgItem(window, id)) return TRUE;
    bar = window;
    return FALSE;
}

struct ProcessWindows {
    DWORD pid;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    auto* found = reinterpret_cast<ProcessWindows*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == found->pid && window != bar && IsWindowVisible(window) && ClassOf(window) == "#32770")
        found->dialogs.push_back(window);
    return TRUE;
}

std::vector<HWND> OtherDialogs() {
    ProcessWindows found{barPid, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&found));
    return found.dialogs;
}

template <class Predicate>
bool WaitFor(DWORD timeoutMs, Predicate done) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done()) return true;
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(kPollMs);
    }
}

std::string StatusText() {
    char text[512] = "";
    HWND strip = GetDlgItem(bar, kStatusStrip);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(strip, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
    return text;
}

bool DeviceCall(DWORD code, const void* in, DWORD inLength, void* out, DWORD outLength) {
    HANDLE device = CreateFileA("\\\\.\\TZK0001", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (device == INVALID_HANDLE_VALUE) return false;
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inLength, out, outLength,
                                    &returned, nullptr);
    CloseHandle(device);
    return ok != FALSE;
}

long PendingPresses() {
    TZK_STATE state{};
    if (!DeviceCall(IOCTL_TZK_READ_STATE, nullptr, 0, &state, sizeof state)) return -1;
    return static_cast<long>(state.Pending);
}

template <class Function>
Function NtEntry(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

// The entries of the system's handle list that belong to pid; empty when the list
// cannot be read.
std::vector<HandleEntry> HandlesOf(DWORD pid) {
    static const auto query = NtEntry<QuerySystemInformation>("NtQuerySystemInformation");
    if (!query) return {};
    std::vector<BYTE> buffer(1 << 16);
    LONG status = 0;
    for (;;) {
        ULONG needed = 0;
        status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status != kInfoLengthMismatch) break;
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) return {};
    const ULONG count = *reinterpret_cast<ULONG*>(buffer.data());
    const auto* entries = reinterpret_cast<const HandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    std::vector<HandleEntry> mine;
    for (ULONG i = 0; i < count; ++i)
        if (entries[i].ownerPid == pid) mine.push_back(entries[i]);
    return mine;
}

long HandleCount(DWORD pid) {
    const std::vector<HandleEntry> handles = HandlesOf(pid);
    return handles.empty() ? -1 : static_cast<long>(handles.size());
}

// What NtQueryObject answers for one handle of another process, read through a duplicate
// of it in this one: kObjectTypeInformation gives the kind's name ("Event", "Key"),
// kObjectNameInformation the object's own name (a key's path), if it has one.
std::string ForeignObjectText(HANDLE process, USHORT value, ULONG infoClass) {
    static const auto query = NtEntry<QueryObject>("NtQueryObject");
    HANDLE copy = nullptr;
    if (!query || !DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(value)),
                                   GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return "";
    std::vector<BYTE> buffer(4096);
    ULONG needed = 0;
    const LONG status = query(copy, infoClass, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    CloseHandle(copy);
    if (status != 0) return "";
    const auto* text = reinterpret_cast<const UNICODE_STRING*>(buffer.data());
    if (!text->Buffer || !text->Length) return "";
    char narrow[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, text->Buffer, text->Length / sizeof(WCHAR), narrow,
                        sizeof narrow - 1, nullptr, nullptr);
    return narrow;
}

// The name of each object type index met so far; indexes stay fixed for the system's life.
std::string KindName(HANDLE process, const HandleEntry& entry) {
    static std::map<BYTE, std::string> names;
    auto found = names.find(entry.objectType);
    if (found != names.end()) return found->second;
    std::string name = ForeignObjectText(process, entry.value, kObjectTypeInformation);
    if (name.empty()) return "type" + std::to_string(entry.objectType);  // asked again next time
    return names[entry.objectType] = name;
}

// "KIND=N ..." for every kind of kernel object the process holds handles to.
std::string Kinds(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    std::map<std::string, long> counts;
    for (const HandleEntry& entry : HandlesOf(pid)) ++counts[KindName(process, entry)];
    if (process) CloseHandle(process);
    std::string line;
    for (const auto& [kind, count] : counts) line += " " + kind + "=" + std::to_string(count);
    return line;
}

// "VALUE KIND NAME" of every handle, tab between handles, for finding what a new one is.
std::string HandleList(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    std::string line;
    for (const HandleEntry& entry : HandlesOf(pid)) {
        char value[16];
        snprintf(value, sizeof value, "%#x", entry.value);
        line += std::string("\t") + value + " " + KindName(process, entry) + " " +
                ForeignObjectText(process, entry.value, kObjectNameInformation);
    }
    if (process) CloseHandle(process);
    return line;
}

template <class Value>
Value ReadFrom(HANDLE process, const void* address) {
    Value value{};
    SIZE_T read = 0;
    ReadProcessMemory(process, address, &value, sizeof value, &read);
    return value;
}

// The allocation that holds each of the process's thread stacks, found from the stack
// limit in each thread's block.
std::vector<const void*> StackAllocations(HANDLE process, DWORD pid) {
    using QueryThread = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
    struct BasicInformation {
        LONG exitStatus;
        PVOID tebBase;
        PVOID clientId[2];
        ULONG_PTR affinity;
        LONG priority, basePriority;
    };
    static const auto query = NtEntry<QueryThread>("NtQueryInformationThread");
    std::vector<const void*> stacks;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (!query || snapshot == INVALID_HANDLE_VALUE) return stacks;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID != pid) continue;
        HANDLE thread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (!thread) continue;
        BasicInformation basic{};
        if (query(thread, 0, &basic, sizeof basic, nullptr) == 0 && basic.tebBase) {
            const auto* tib = static_cast<const NT_TIB*>(basic.tebBase);
            MEMORY_BASIC_INFORMATION region{};
            if (VirtualQueryEx(process, ReadFrom<PVOID>(process, &tib->StackLimit), &region, sizeof region))
                stacks.push_back(region.AllocationBase);
        }
        CloseHandle(thread);
    }
    CloseHandle(snapshot);
    return stacks;
}

// "BASE END KIND" of every allocation with committed memory, tab between allocations.
std::string Regions(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) return "";
    const std::vector<const void*> stacks = StackAllocations(process, pid);
    PROCESS_BASIC_INFORMATION basic{};
    const void* processHeap = nullptr;
    static const auto query = NtEntry<LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG)>(
        "NtQueryInformationProcess");
    if (query && query(process, 0, &basic, sizeof basic, nullptr) == 0 && basic.PebBaseAddress)
        // The process heap is the sixth pointer-sized field of the process's block, after
        // the flags, the mutant, the image base, the loader data, the parameters and the
        // subsystem data.
        processHeap = ReadFrom<PVOID>(process, reinterpret_cast<const BYTE*>(basic.PebBaseAddress) +
                                                   6 * sizeof(PVOID));
    struct Allocation {
        const void* allocationBase;
        const BYTE* base;
        const BYTE* end;
        const char* kind;
    };
    std::vector<Allocation> allocations;
    const BYTE* address = nullptr;
    MEMORY_BASIC_INFORMATION region{};
    while (VirtualQueryEx(process, address, &region, sizeof region) == sizeof region) {
        const auto* base = static_cast<const BYTE*>(region.BaseAddress);
        address = base + region.RegionSize;
        if (region.State == MEM_COMMIT) {
            const char* kind = region.Type == MEM_IMAGE    ? "image"
                               : region.Type == MEM_MAPPED ? "mapped"
                               : region.AllocationBase == processHeap ? "heap"
                               : std::find(stacks.begin(), stacks.end(), region.AllocationBase) != stacks.end()
                                   ? "stack"
                                   : "private";
            if (!allocations.empty() && allocations.back().allocationBase == region.AllocationBase &&
                allocations.back().end == base)
                allocations.back().end = address;
            else
                allocations.push_back({region.AllocationBase, base, address, kind});
        }
        if (address <= base) break;  // the top of the address space
    }
    CloseHandle(process);
    std::string line;
    for (const Allocation& allocation : allocations) {
        char text[64];
        snprintf(text, sizeof text, "\t%p %p %s", static_cast<const void*>(allocation.base),
                 static_cast<const void*>(allocation.end), allocation.kind);
        line += text;
    }
    return line;
}

long ThreadCount(DWORD pid) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    long count = 0;
    for (BOOL ok = Thread32First(snapshot, &entry); ok; ok = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == pid) ++count;
    CloseHandle(snapshot);
    return count;
}

void Answer(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

void Find(const std::string& title) {
    bar = nullptr;
    WaitFor(20000, [&title] {
        if (!title.empty())
            bar = FindWindowA(nullptr, title.c_str());
        else
            EnumWindows(FindBar, 0);
        return bar != nullptr;
    });
    barPid = 0;
    if (bar) GetWindowThreadProcessId(bar, &barPid);
    Answer("bar %lu", barPid);
}

void Acknowledge() { PostMessageA(bar, kTrayCallback, 1, WM_LBUTTONDBLCLK); }

// WaitFor, acknowledging new mail meanwhile as a user double-clicks the blinking icon:
// a later report waits for the blinking of an earlier one.
template <class Predicate>
bool WaitAcknowledging(DWORD timeoutMs, Predicate done) {
    DWORD looks = 0;
    return WaitFor(timeoutMs, [&done, &looks] {
        if (++looks % kLooksBetweenAcknowledgements == 0) Acknowledge();
        return done();
    });
}

void WaitForReport(DWORD timeoutMs) {
    std::string text;
    const bool reported = WaitAcknowledging(timeoutMs, [&text] {
        text = StatusText();
        return text != kSentinel && text != kStartText && !text.empty();
    });
    Answer("%s %s", reported ? "report" : "noreport", text.c_str());
}

// The sentinel in the status strip, so that the next report is told from the last one.
void MarkStatus() {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(GetDlgItem(bar, kStatusStrip), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kSentinel),
                        SMTO_ABORTIFHUNG, 2000, &ignored);
    Acknowledge();
}

void Check(DWORD timeoutMs) {
    MarkStatus();
    PostMessageA(bar, WM_COMMAND, kRestampAndCheck, 0);
    WaitForReport(timeoutMs);
}

void SendPowerEvent(WPARAM event) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutA(bar, WM_POWERBROADCAST, event, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
}

// The device's commands since it started or was cleared, newest last (at most the log's
// capacity); Total counts them all.
struct DeviceLog {
    TZK_LOG header;
    unsigned long commands[TZK_LOG_CAPACITY];
};

bool ReadDeviceLog(DeviceLog& log) {
    log = DeviceLog{};
    return DeviceCall(IOCTL_TZK_READ_LOG, nullptr, 0, &log, sizeof log);
}

// How far a wake has come in the device's commands after the first `since`: its check's
// report (an LED command), then the power query, then the report of the check after the
// resume. The device's log keeps the order in which the program sent them, which the
// status strip, read from outside, cannot.
int WakeStage(unsigned long since) {
    DeviceLog log;
    if (!ReadDeviceLog(log) || log.header.Total <= since) return 0;
    const unsigned long returned = std::min<unsigned long>(log.header.Returned, TZK_LOG_CAPACITY);
    const unsigned long fresh = std::min(log.header.Total - since, returned);
    int stage = 0;
    for (const unsigned long* command = log.commands + returned - fresh; command != log.commands + returned;
         ++command) {
        const bool led = *command == kLedOff || *command == kLedOn;
        if ((stage == 0 && led) || (stage == 1 && *command == kPowerQuery) || (stage == 2 && led)) ++stage;
    }
    return stage;
}

void Wake(DWORD timeoutMs) {
    DeviceLog log;
    const unsigned long since = ReadDeviceLog(log) ? log.header.Total : 0;
    Acknowledge();
    SendPowerEvent(PBT_APMQUERYSUSPEND);
    SendPowerEvent(PBT_APMRESUMEAUTOMATIC);
    int stage = 0;
    WaitAcknowledging(timeoutMs, [since, &stage] { return (stage = WakeStage(since)) == 3; });
    static const char* const kAnswers[] = {"noreport", "noquery", "nofollow", "woke"};
    Answer("%s %s", kAnswers[stage], StatusText().c_str());
}

void Resume(DWORD timeoutMs) {
    MarkStatus();
    SendPowerEvent(PBT_APMRESUMESUSPEND);
    WaitForReport(timeoutMs);
}

void Assign(int browseId, const std::string& path) {
    PostMessageA(bar, WM_COMMAND, MAKEWPARAM(browseId, BN_CLICKED), 0);
    HWND chooser = nullptr;
    WaitFor(10000, [&chooser] {
        for (HWND dialog : OtherDialogs())
            if (GetDlgItem(dialog, kFileNameBox)) chooser = dialog;
        return chooser != nullptr;
    });
    if (!chooser) {
        Answer("nochooser");
        return;
    }
    HWND edit = FindWindowExA(GetDlgItem(chooser, kFileNameBox), nullptr, "ComboBox", nullptr);
    edit = edit ? FindWindowExA(edit, nullptr, "Edit", nullptr) : nullptr;
    SendMessageA(edit ? edit : GetDlgItem(chooser, kFileNameBox), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    const bool closed = WaitFor(10000, [chooser] { return !IsWindow(chooser); });
    Answer(closed ? "assigned" : "nochooser");
}

void Exit(DWORD timeoutMs) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, barPid);
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    PostMessageA(bar, WM_COMMAND, kTrayExit, 0);
    const DWORD waited = process ? WaitForSingleObject(process, timeoutMs) : WAIT_FAILED;
    QueryPerformanceCounter(&end);
    if (process) CloseHandle(process);
    if (waited != WAIT_OBJECT_0) {
        Answer("alive");
        return;
    }
    Answer("exited %.0f", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
}

}  // namespace

int main() {
    char line[1024];
    while (fgets(line, sizeof line, stdin)) {
        line[strcspn(line, "\r\n")] = '\0';
        char* rest = strchr(line, ' ');
        if (rest) *rest++ = '\0';
        const std::string command = line;
        const std::string argument = rest ? rest : "";
        const long number = std::strtol(argument.c_str(), nullptr, 0);
        if (command == "find") {
            Find(argument);
        } else if (command == "check") {
            Check(static_cast<DWORD>(number));
        } else if (command == "wait") {
            WaitForReport(static_cast<DWORD>(number));
        } else if (command == "ack") {
            Acknowledge();
            Answer("ok");
        } else if (command == "resume") {
            Resume(static_cast<DWORD>(number));
        } else if (command == "mark") {
            MarkStatus();
            Answer("ok");
        } else if (command == "press") {
            const DWORD code = static_cast<DWORD>(number);
            Answer(DeviceCall(IOCTL_TZK_PRESS, &code, sizeof code, nullptr, 0) ? "ok" : "nodevice");
        } else if (command == "pending") {
            long pending = -1;
            WaitFor(static_cast<DWORD>(number), [&pending] { return (pending = PendingPresses()) == 0; });
            Answer("pending %ld", pending);
        } else if (command == "command") {
            DWORD_PTR ignored = 0;
            Answer(SendMessageTimeoutA(bar, WM_COMMAND, MAKEWPARAM(number, BN_CLICKED), 0, SMTO_ABORTIFHUNG,
                                       5000, &ignored)
                       ? "ok"
                       : "timeout");
        } else if (command == "assign") {
            const size_t space = argument.find(' ');
            Assign(static_cast<int>(number), space == std::string::npos ? "" : argument.substr(space + 1));
        } else if (command == "wake") {
            Wake(static_cast<DWORD>(number));
        } else if (command == "census") {
            Answer("census %ld %ld", HandleCount(barPid), ThreadCount(barPid));
        } else if (command == "kinds") {
            Answer("kinds%s", Kinds(barPid).c_str());
        } else if (command == "handles") {
            Answer("handles%s", HandleList(barPid).c_str());
        } else if (command == "regions") {
            Answer("regions%s", Regions(barPid).c_str());
        } else if (command == "boxes") {
            Answer("boxes %u", static_cast<unsigned>(OtherDialogs().size()));
        } else if (command == "exit") {
            Exit(static_cast<DWORD>(number));
        } else if (command == "quit") {
            break;
        } else {
            Answer("error unknown command %s", command.c_str());
        }
    }
    return 0;
}
