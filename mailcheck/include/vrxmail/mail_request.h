// The request record the program hands to GetNewMail (and StartMailWatch), the report
// callback and the watch's callback: the library's interface, shared by the library and the
// program.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define VRXMAIL_CDECL __cdecl
#else
#define VRXMAIL_CDECL
#endif

namespace vrxmail {

enum ServerType : int32_t { kPop3 = 0, kImap = 1 };

// Called once per started check: the number of new messages since the stamp (meaningful
// only when resultCode is 0), and 0 or a failure code.
using MailCallback = void(VRXMAIL_CDECL*)(int32_t newCount, int32_t resultCode);

// Called on the watch's own thread (StartMailWatch) with one of the WatchEvent values.
using MailWatchCallback = void(VRXMAIL_CDECL*)(int32_t event);

enum WatchEvent : int32_t {
  kWatchNoPush = 0,       // the server does not offer IDLE: the watch has ended by itself
  kWatchNewMail = 1,      // messages came
  kWatchReconnected = 2,  // back in IDLE after a lost connection: mail may have come meanwhile
};

// Seven pointer-size fields, little endian: 28 bytes on the 32-bit Windows build, 56 on
// the 64-bit one. The 32-bit fields are padded to a pointer's size by natural alignment.
struct MailRequest {
  int32_t serverType;      // a ServerType
  const char* host;
  const char* user;
  const char* password;
  const char* sinceStamp;  // "YYYY/MM/DD hh:mm", local time
  int32_t reserved;        // always 0
  MailCallback callback;
};

constexpr std::size_t kMailRequestField = sizeof(void*);
static_assert(sizeof(MailRequest) == 7 * kMailRequestField, "seven pointer-size fields");
static_assert(offsetof(MailRequest, host) == 1 * kMailRequestField, "host second");
static_assert(offsetof(MailRequest, user) == 2 * kMailRequestField, "user third");
static_assert(offsetof(MailRequest, password) == 3 * kMailRequestField, "password fourth");
static_assert(offsetof(MailRequest, sinceStamp) == 4 * kMailRequestField, "since-stamp fifth");
static_assert(offsetof(MailRequest, reserved) == 5 * kMailRequestField, "reserved sixth");
static_assert(offsetof(MailRequest, callback) == 6 * kMailRequestField, "callback last");
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(MailRequest) == 28, "the 32-bit record is 28 bytes");
#endif

}  // namespace vrxmail
