#include "support/conversation.h"

#include <gtest/gtest.h>

#include "arrival_cache.h"
#include "civil_time.h"
#include "host_port.h"
#include "mail_check.h"

namespace vrxmail::testing {
namespace {

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});
int64_t tenMinutesLater() { return kSince + 600; }

}  // namespace

ScriptedServer::Script conversation(std::string greeting, std::vector<Step> steps) {
  return [greeting, steps](ServerConnection& c) {
    c.send(greeting);
    for (const Step& step : steps) {
      std::string line;
      if (!c.readLine(line)) {
        ADD_FAILURE() << "client went away before sending " << step.expect;
        return;
      }
      EXPECT_EQ(line.substr(0, step.expect.size()), step.expect);
      c.send(step.reply);
    }
    c.waitForClose();
  };
}

CheckLimits quickLimits() {
  CheckLimits limits;
  limits.connectTimeout = std::chrono::milliseconds(2000);
  limits.silenceTimeout = std::chrono::milliseconds(2000);
  limits.checkTimeout = std::chrono::milliseconds(8000);
  return limits;
}

namespace {

CheckOutcome runAgainst(const ScriptedServer& server, ServerType type, const CheckLimits& limits,
                        Security security, const std::atomic<bool>* abort,
                        const std::string& user, const std::string& password) {
  ArrivalCache cache;
  MailboxMemory mailboxes;
  CheckContext context;
  context.limits = limits;
  context.cache = &cache;
  context.mailboxes = &mailboxes;
  context.clock = tenMinutesLater;
  context.abort = abort;
  CheckJob job;
  job.type = type;
  job.endpoint = *parseHostPort(server.address(), 1);
  job.security = security;
  job.user = user;
  job.password = password;
  job.since = kSince;
  return runCheck(job, context);
}

}  // namespace

CheckOutcome checkAgainst(const ScriptedServer& server, ServerType type,
                          const CheckLimits& limits, Security security,
                          const std::atomic<bool>* abort) {
  return runAgainst(server, type, limits, security, abort, "u", "p");
}

CheckOutcome checkAgainstAs(const ScriptedServer& server, ServerType type,
                            const std::string& user, const std::string& password) {
  return runAgainst(server, type, quickLimits(), Security::plain, nullptr, user, password);
}

}  // namespace vrxmail::testing
