// The four entry points of VRXMail.DLL (cdecl, undecorated names).
//
// GetNewMail(request): starts one check and returns 0 at once, or returns 1 (a null record or
// text pointer, no callback, or a server type other than 0 POP3 / 1 IMAP), 2 (a check is
// still outstanding) or 3 (no thread could be made) and starts nothing. The texts are copied before it returns. The
// callback is called exactly once per started check, on a thread of the library, never
// before GetNewMail has returned; reports are delivered one at a time. A check stops being
// outstanding just before its report, so the report's receiver may start the next one.
//
// GetMailAbort(): makes every running check stop its network work (its socket is closed);
// waits for that at most 2 s but never for a report, which still follows, with 10004.
// Safe with nothing outstanding and during process end. Returns 0.
//
// GetMailHeader(buffer, size): copies the summary line of the last report, for example
// "IMAP mail.example:143 since 2026/12/07 10:00: result 0 new 5", NUL-terminated and cut to
// size - 1 characters. Returns the full length of the line (without the NUL), or -1 when no
// check has reported yet. A null buffer or a size of 0 only asks for the length.
//
// CancelCallBack(): withdraws the report of every check whose report has not begun, and then
// aborts them like GetMailAbort. Returns 1 when a report was withdrawn, 0 when none was
// pending. After it returns 1, that check never calls its callback.
#pragma once

#include <cstdint>

#include "mail_request.h"

extern "C" {
int32_t VRXMAIL_CDECL GetNewMail(const vrxmail::MailRequest* request);
int32_t VRXMAIL_CDECL GetMailAbort(void);
int32_t VRXMAIL_CDECL GetMailHeader(char* buffer, int32_t size);
int32_t VRXMAIL_CDECL CancelCallBack(void);
}
