#include "mail/win32_mail_library.h"

#include "win32/message_box.h"

namespace qp {

namespace {

using GetNewMailEntry = int32_t(__cdecl*)(vrxmail::MailRequest*);
// The one signature fixed for GetMailAbort: no arguments, a result that is ignored.
// GetMailHeader and CancelCallBack must be there but are never called: a library put
// in this one's place may give them other signatures.
using GetMailAbortEntry = void(__cdecl*)();
using StartMailWatchEntry = int32_t(__cdecl*)(const vrxmail::MailRequest*,
                                               vrxmail::MailWatchCallback);
using StopMailWatchEntry = int32_t(__cdecl*)();

// Written once on the user-interface thread before any worker exists; read-only after.
struct MailLibrary {
    GetNewMailEntry getNewMail = nullptr;
    GetMailAbortEntry getMailAbort = nullptr;
    StartMailWatchEntry startMailWatch = nullptr;
    StopMailWatchEntry stopMailWatch = nullptr;
};
MailLibrary library;

// GetProcAddress's result through the one function type that converts to any other.
template <class Entry>
Entry AsEntry(FARPROC found) {
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(found));
}

struct EntryPoint {
    const char* name;
    const char* missingMessage;
};
constexpr EntryPoint kEntryPoints[] = {
    {"GetNewMail", "Unable to get GetNewMail-address. Aborting"},
    {"GetMailAbort", "Unable to get GetMailAbort-address. Aborting"},
    {"GetMailHeader", "Unable to get GetMailHeader-address. Aborting"},
    {"CancelCallBack", "Unable to get CancelCallBack-address. Aborting"},
};

}  // namespace

bool LoadMailLibrary(HWND owner) {
    // Never freed: the library's threads may call back until the process ends.
    HMODULE module = LoadLibraryA("VRXMail.DLL");
    if (!module) {
        ShowMessage(owner, "Unable to load VRXMAIL.DLL.\n Aborting !");
        return false;
    }
    FARPROC found[4];
    for (int i = 0; i < 4; ++i) found[i] = GetProcAddress(module, kEntryPoints[i].name);
    for (int i = 0; i < 4; ++i) {
        if (!found[i]) {
            ShowMessage(owner, kEntryPoints[i].missingMessage);
            return false;
        }
    }
    library.getNewMail = AsEntry<GetNewMailEntry>(found[0]);
    library.getMailAbort = AsEntry<GetMailAbortEntry>(found[1]);
    // The watch is used only when both of its halves are there.
    FARPROC start = GetProcAddress(module, "StartMailWatch");
    FARPROC stop = GetProcAddress(module, "StopMailWatch");
    if (start && stop) {
        library.startMailWatch = AsEntry<StartMailWatchEntry>(start);
        library.stopMailWatch = AsEntry<StopMailWatchEntry>(stop);
    }
    return true;
}

bool Win32MailLibrary::HasGetNewMail() const { return library.getNewMail != nullptr; }

int32_t Win32MailLibrary::GetNewMail(vrxmail::MailRequest* request) {
    return library.getNewMail ? library.getNewMail(request) : -1;
}

void AbortMailChecks() {
    if (library.getMailAbort) library.getMailAbort();
}

bool Win32MailWatch::Available() const { return library.startMailWatch != nullptr; }

int32_t Win32MailWatch::Start(const vrxmail::MailRequest& request) {
    return library.startMailWatch ? library.startMailWatch(&request, notify_) : -1;
}

void Win32MailWatch::Stop() {
    if (library.stopMailWatch) library.stopMailWatch();
}

}  // namespace qp
