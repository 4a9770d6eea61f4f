#pragma once
// The record handed to the mail library for each check, and the library's report.
#include <cstdint>

namespace qp {

// The library calls back once per started check: the number of new messages since
// the stamp (meaningful only when resultCode is 0), and 0 or a failure code.
using MailCallback = void (*)(int32_t newCount, int32_t resultCode);

struct MailRequest {
    int32_t ServerType;  // 0 POP3, 1 IMAP
    const char* Host;
    const char* User;
    const char* Password;
    const char* Since;  // "%04d/%02d/%02d %02d:%02d", local time
    int32_t Reserved;   // always 0
    MailCallback Callback;
};

}  // namespace qp
