// One check from connection to report, on the calling thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "arrival_cache.h"
#include "check_limits.h"
#include "check_outcome.h"
#include "mailbox_memory.h"
#include "server_address.h"
#include "tls_stream.h"
#include "transport.h"
#include "vrxmail/mail_request.h"

namespace vrxmail {

struct CheckJob {
  ServerType type = kPop3;
  Endpoint endpoint;
  Security security = Security::plain;
  std::string user;
  std::string password;
  int64_t since = 0;  // seconds since 1970 UTC
};

struct CheckContext {
  CheckLimits limits;
  Connector connect = openTcp;
  TlsStarter secure = startTls;
  ArrivalCache* cache = &ArrivalCache::process();
  MailboxMemory* mailboxes = &MailboxMemory::process();
  int64_t (*clock)() = nullptr;  // seconds since 1970 UTC; the platform clock when null
  const std::atomic<bool>* abort = nullptr;
};

CheckOutcome runCheck(const CheckJob& job, const CheckContext& context);

}  // namespace vrxmail
