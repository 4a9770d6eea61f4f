// The request record the program hands to GetNewMail, and the report callback.
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

using MailCallback = void(VRXMAIL_CDECL*)(int32_t newCount, int32_t resultCode);

// Seven 32-bit fields on the 32-bit Windows build: 28 bytes, little endian.
struct MailRequest {
  int32_t serverType;
  const char* host;
  const char* user;
  const char* password;
  const char* sinceStamp;
  int32_t reserved;
  MailCallback callback;
};

#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(MailRequest) == 28, "the record is seven 32-bit fields");
static_assert(offsetof(MailRequest, host) == 4, "host at 4");
static_assert(offsetof(MailRequest, user) == 8, "user at 8");
static_assert(offsetof(MailRequest, password) == 12, "password at 12");
static_assert(offsetof(MailRequest, sinceStamp) == 16, "since-stamp at 16");
static_assert(offsetof(MailRequest, reserved) == 20, "reserved at 20");
static_assert(offsetof(MailRequest, callback) == 24, "callback at 24");
#endif

}  // namespace vrxmail
