// The entry points of VRXMail.DLL (cdecl, undecorated names): four for checks, two for the
// watch.
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
//
// StartMailWatch(request, notify): watches the IMAP inbox of the request (the same record as
// GetNewMail's; its since-stamp and callback are not used) with IDLE (RFC 2177) on a thread
// of the library, and returns at once: 0 when the watch was started; 1 for a null record,
// text pointer or notify, a server type other than 0 / 1, or a host text a check could not
// use (unreadable, or with a byte above 0x7F); 4 for POP3 (server type 0), which has no push;
// 3 when no thread or no memory could be had. Nothing is started on a non-zero result. The
// texts are copied before it returns. A watch already running is stopped first, as by
// StopMailWatch. notify is called on the watch's thread, one call at a time, with
//   1 (kWatchNewMail)      messages came: one call for what arrived in one go;
//   2 (kWatchReconnected)  the watch is in IDLE again after a lost or refused connection
//                          (every connection after the first): mail may have come meanwhile;
//   0 (kWatchNoPush)       the server does not offer IDLE: LOGOUT, and the watch has ended.
// A lost connection, a refusal or a failed login is retried after 2 s, then 4 s, doubling
// up to 5 min; only an IDLE that stayed up for 60 s starts the wait at 2 s again. IDLE is left
// and taken up again every 29 min, and after 3 min without a byte from the server (whose
// answer to DONE must then come within 15 s, or the connection counts as lost). The
// environment variable VRXMAIL_WATCH_TIMES, read at each start, shortens these for tests.
//
// StopMailWatch(): ends the watch, its connection and its thread, waiting for that at most
// 2 s, and returns 0. After it returns, notify is not called again. Safe with no watch,
// twice, from inside notify, and during process end.
#pragma once

#include <cstdint>

#include "mail_request.h"

extern "C" {
int32_t VRXMAIL_CDECL GetNewMail(const vrxmail::MailRequest* request);
int32_t VRXMAIL_CDECL GetMailAbort(void);
int32_t VRXMAIL_CDECL GetMailHeader(char* buffer, int32_t size);
int32_t VRXMAIL_CDECL CancelCallBack(void);
int32_t VRXMAIL_CDECL StartMailWatch(const vrxmail::MailRequest* request,
                                     vrxmail::MailWatchCallback notify);
int32_t VRXMAIL_CDECL StopMailWatch(void);
}
