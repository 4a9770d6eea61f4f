// Bounded waits: connect, silence, a trickling server, refusal and unknown hosts.
#include <gtest/gtest.h>

#include <chrono>

#include "arrival_cache.h"
#include "host_port.h"
#include "mail_check.h"
#include "result_codes.h"
#include "support/conversation.h"
#include "support/scripted_server.h"

namespace vrxmail::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

CheckOutcome checkHost(const std::string& host, ServerType type, const CheckLimits& limits) {
  ArrivalCache cache;
  CheckContext context;
  context.limits = limits;
  context.cache = &cache;
  CheckJob job;
  job.type = type;
  job.endpoint = *parseHostPort(host, 1);
  job.user = "u";
  job.password = "p";
  return runCheck(job, context);
}

milliseconds since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(Timeouts, ConnectToAListenerThatNeverAnswers) {
  BlackHole hole;
  CheckLimits limits = quickLimits();
  limits.connectTimeout = milliseconds(400);
  const Clock::time_point start = Clock::now();
  const CheckOutcome o = checkHost(hole.address(), kImap, limits);
  EXPECT_EQ(o.result, kWsaTimedOut);
  EXPECT_GE(since(start), milliseconds(350));
  EXPECT_LT(since(start), milliseconds(3000));
}

TEST(Timeouts, AServerThatSendsNothing) {
  for (const ServerType type : {kImap, kPop3}) {
    ScriptedServer server([](ServerConnection& c) { c.waitForClose(); });
    CheckLimits limits = quickLimits();
    limits.silenceTimeout = milliseconds(300);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(checkAgainst(server, type, limits).result, kWsaTimedOut);
    EXPECT_GE(since(start), milliseconds(250));
    EXPECT_LT(since(start), milliseconds(3000));
  }
}

TEST(Timeouts, SilenceAfterTheGreeting) {
  ScriptedServer server([](ServerConnection& c) {
    c.send("+OK ready\r\n");
    c.waitForClose();
  });
  CheckLimits limits = quickLimits();
  limits.silenceTimeout = milliseconds(300);
  EXPECT_EQ(checkAgainst(server, kPop3, limits).result, kWsaTimedOut);
}

TEST(Timeouts, ATricklingServerIsBoundedByTheWholeCheck) {
  ScriptedServer server([](ServerConnection& c) {
    c.send("* OK [CAPABILITY IMAP4rev1] ready\r\n");
    for (int i = 0; i < 100; ++i) {
      c.send("* ");
      if (c.waitForClose(milliseconds(50))) return;
    }
  });
  CheckLimits limits = quickLimits();
  limits.silenceTimeout = milliseconds(400);
  limits.checkTimeout = milliseconds(700);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(checkAgainst(server, kImap, limits).result, kWsaTimedOut);
  EXPECT_LT(since(start), milliseconds(3000));
}

TEST(Timeouts, RefusedConnection) {
  uint16_t port = 0;
  {
    ScriptedServer closed([](ServerConnection&) {}, 0);
    port = closed.port();
  }
  EXPECT_EQ(checkHost("127.0.0.1:" + std::to_string(port), kPop3, quickLimits()).result,
            kWsaConnRefused);
}

TEST(Timeouts, UnknownHost) {
  EXPECT_EQ(checkHost("no-such-host.invalid", kImap, quickLimits()).result, kWsaHostNotFound);
}

TEST(Timeouts, DocumentedDefaults) {
  const CheckLimits limits;
  EXPECT_EQ(limits.connectTimeout, milliseconds(30000));
  EXPECT_EQ(limits.silenceTimeout, milliseconds(60000));
  EXPECT_EQ(limits.checkTimeout, milliseconds(300000));
}

}  // namespace
}  // namespace vrxmail::testing
