// The mailbox watch against scripted servers: what it tells, keep-alive, a dead connection,
// back-off, servers without IDLE or STARTTLS, and a stop in every state.
#include "watch_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "support/check_helpers.h"
#include "support/conversation.h"
#include "support/scripted_server.h"
#include "support/watch_support.h"
#include "vrxmail/vrxmail.h"

namespace vrxmail::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr char kPassword[] = "watch-secret";

class WatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WatchEvents::instance().reset();
    context.limits = quickLimits();
    times.quiet = milliseconds(60000);
    times.answer = milliseconds(2000);
    times.keepAlive = milliseconds(60000);
    times.backOff = milliseconds(50);
    times.backOffCap = milliseconds(100);
  }

  std::unique_ptr<WatchService> makeService() {
    return std::make_unique<WatchService>(context, [this] { return times; });
  }

  int32_t start(WatchService& service, const std::string& host, ServerType type = kImap) {
    host_ = host;
    const MailRequest r{type, host_.c_str(), "u", kPassword, nullptr, 0, nullptr};
    return service.start(&r, &WatchEvents::onEvent);
  }

  WatchContext context;
  WatchTimes times;
  std::string host_;
  WatchEvents& events = WatchEvents::instance();
};

TEST_F(WatchTest, NewMailIsToldOnceForABurstAndForARecentCount) {
  std::atomic<int> connections{0};
  ScriptedServer server(
      [&](ServerConnection& c) {
        if (!playUntilIdle(c)) return;
        if (++connections > 1) {
          c.waitForClose();
          return;
        }
        std::string burst;
        for (int n = 4; n <= 23; ++n) burst += "* " + std::to_string(n) + " EXISTS\r\n";
        c.send(burst);
        if (!events.waitFor(kWatchNewMail, 1)) return;
        // The burst's RECENT tells of the same mail; a RECENT rising alone is new.
        c.send("* 1 RECENT\r\n* 2 RECENT\r\n");
        if (!events.waitFor(kWatchNewMail, 2)) return;
        c.send("* BYE going away\r\n");
      },
      2);
  auto service = makeService();
  ASSERT_EQ(start(*service, server.address()), 0);
  ASSERT_TRUE(events.waitFor(kWatchReconnected, 1));
  EXPECT_EQ(events.count(kWatchNewMail), 2);
  EXPECT_EQ(events.count(kWatchReconnected), 1);
  EXPECT_EQ(server.accepted(), 2);
  service->stop();
}

// A server that counts how often the watch leaves IDLE and takes it up again.
ScriptedServer::Script keepAliveCounter(std::atomic<int>& reentered) {
  return [&reentered](ServerConnection& c) {
    std::string tag;
    if (!playUntilIdle(c, &tag)) return;
    std::string line;
    for (int round = 0; round < 2; ++round) {
      if (!c.readLine(line) || line != "DONE") return;
      c.send(tag + " OK idle done\r\n");
      if (!c.readLine(line) || line.find(" IDLE") == std::string::npos) return;
      tag = tagOf(line);
      c.send("+ idling\r\n");
      ++reentered;
    }
    c.waitForClose();
  };
}

TEST_F(WatchTest, KeepAliveLeavesIdleAndTakesItUpAgain) {
  times.keepAlive = milliseconds(150);
  std::atomic<int> reentered{0};
  ScriptedServer server(keepAliveCounter(reentered));
  auto service = makeService();
  ASSERT_EQ(start(*service, server.address()), 0);
  EXPECT_TRUE(waitUntil([&] { return reentered.load() == 2; }));
  EXPECT_EQ(server.accepted(), 1);
  EXPECT_EQ(events.count(kWatchReconnected), 0);
  service->stop();
}

// The exports' watch takes its intervals from the environment at each start.
TEST_F(WatchTest, TheEnvironmentShortensTheIntervalsOfTheExportedWatch) {
  std::atomic<int> reentered{0};
  ScriptedServer server(keepAliveCounter(reentered));
  ::setenv("VRXMAIL_WATCH_TIMES", "keepalive=150,quiet=600000", 1);
  host_ = server.address();
  const MailRequest r{kImap, host_.c_str(), "u", kPassword, nullptr, 0, nullptr};
  const int32_t started = StartMailWatch(&r, &WatchEvents::onEvent);
  ::unsetenv("VRXMAIL_WATCH_TIMES");
  ASSERT_EQ(started, 0);
  EXPECT_TRUE(waitUntil([&] { return reentered.load() == 2; }));
  EXPECT_EQ(StopMailWatch(), 0);
  EXPECT_FALSE(WatchService::process().watching());
}

TEST_F(WatchTest, ASilentServerIsFoundDeadAndTheWatchComesBack) {
  times.quiet = milliseconds(150);
  times.answer = milliseconds(150);
  std::atomic<bool> sawDone{false};
  std::atomic<bool> sawClose{false};
  ScriptedServer server(
      [&](ServerConnection& c) {
        if (!playUntilIdle(c)) return;
        if (sawDone) {
          c.waitForClose();
          return;
        }
        std::string line;
        sawDone = c.readLine(line) && line == "DONE";
        sawClose = c.waitForClose();  // no answer to DONE
      },
      2);
  auto service = makeService();
  ASSERT_EQ(start(*service, server.address()), 0);
  ASSERT_TRUE(events.waitFor(kWatchReconnected, 1));
  EXPECT_TRUE(sawDone);
  EXPECT_TRUE(sawClose);
  service->stop();
}

// Refused logins: every wait at least as long as the back-off says, doubling to the cap;
// eight attempts come long before an uncapped doubling would allow them.
TEST_F(WatchTest, RefusedLoginsBackOffToTheCapWithoutAStorm) {
  times.backOff = milliseconds(100);
  times.backOffCap = milliseconds(300);
  constexpr int kAttempts = 8;
  std::mutex mutex;
  std::vector<Clock::time_point> at;
  ScriptedServer server(
      [&](ServerConnection& c) {
        {
          std::lock_guard<std::mutex> lock(mutex);
          at.push_back(Clock::now());
        }
        c.send("* OK [CAPABILITY IMAP4rev1 IDLE] ready\r\n");
        std::string line;
        if (c.readLine(line)) c.send(tagOf(line) + " NO [AUTHENTICATIONFAILED] no\r\n");
        c.waitForClose();
      },
      kAttempts);
  auto service = makeService();
  ASSERT_EQ(start(*service, server.address()), 0);
  const auto attempts = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    return at.size();
  };
  ASSERT_TRUE(waitUntil([&] { return attempts() == kAttempts; }, milliseconds(8000)));
  service->stop();
  std::lock_guard<std::mutex> lock(mutex);
  milliseconds wait = times.backOff;
  for (std::size_t i = 1; i < at.size(); ++i) {
    EXPECT_GE(at[i] - at[i - 1], wait - milliseconds(5)) << "attempt " << i;
    wait = std::min(wait * 2, times.backOffCap);
  }
  EXPECT_EQ(events.count(kWatchReconnected), 0);
}

TEST_F(WatchTest, AServerWithoutIdleIsToldOnceAndTheWatchEnds) {
  std::atomic<bool> sawLogout{false};
  ScriptedServer server([&](ServerConnection& c) {
    c.send("* OK [CAPABILITY IMAP4rev1] ready\r\n");
    std::string line;
    if (!c.readLine(line)) return;
    c.send(tagOf(line) + " OK [CAPABILITY IMAP4rev1 SASL-IR] in\r\n");
    sawLogout = c.readLine(line) && line.find(" LOGOUT") != std::string::npos;
  }, 2);
  auto service = makeService();
  ASSERT_EQ(start(*service, server.address()), 0);
  ASSERT_TRUE(events.waitFor(kWatchNoPush, 1));
  EXPECT_TRUE(waitUntil([&] { return !service->watching(); }));
  EXPECT_TRUE(waitUntil([&] { return sawLogout.load(); }));
  EXPECT_EQ(server.accepted(), 1);
  EXPECT_EQ(events.count(kWatchNoPush), 1);
}

TEST_F(WatchTest, RecordsThatCannotBeWatchedStartNothing) {
  auto service = makeService();
  EXPECT_EQ(start(*service, "127.0.0.1:1", kPop3), kStartNotImap);
  EXPECT_EQ(service->start(nullptr, &WatchEvents::onEvent), kStartInvalidRequest);
  MailRequest r{kImap, "127.0.0.1:1", "u", "p", nullptr, 0, nullptr};
  EXPECT_EQ(service->start(&r, nullptr), kStartInvalidRequest);
  r.serverType = 2;
  EXPECT_EQ(service->start(&r, &WatchEvents::onEvent), kStartInvalidRequest);
  r.serverType = kImap;
  r.password = nullptr;
  EXPECT_EQ(service->start(&r, &WatchEvents::onEvent), kStartInvalidRequest);
  EXPECT_EQ(start(*service, "host:notaport"), kStartInvalidRequest);
  EXPECT_EQ(start(*service, "h\xC3\xA9te:143"), kStartInvalidRequest);
  EXPECT_FALSE(service->watching());
  // The exports, with no watch running.
  EXPECT_EQ(StartMailWatch(nullptr, &WatchEvents::onEvent), kStartInvalidRequest);
  r.password = "p";
  r.serverType = kPop3;
  EXPECT_EQ(StartMailWatch(&r, &WatchEvents::onEvent), kStartNotImap);
  EXPECT_EQ(StopMailWatch(), 0);
  EXPECT_EQ(StopMailWatch(), 0);
}

// The watch and a check on their two connections at once (run under ThreadSanitizer too).
TEST_F(WatchTest, ACheckRunsWhileTheWatchIdles) {
  std::atomic<bool> idling{false};
  ScriptedServer imap([&](ServerConnection& c) {
    idling = playUntilIdle(c);
    c.waitForClose();
  });
  ScriptedServer pop3(conversation("+OK\r\n", {{"USER u", "+OK\r\n"}, {"PASS p", "+OK\r\n"},
                                                 {"STAT", "+OK 0 0\r\n"}, {"QUIT", "+OK\r\n"}}));
  auto service = makeService();
  ASSERT_EQ(start(*service, imap.address()), 0);
  CheckService checks;
  const Report report = checkThrough(checks, kPop3, pop3.address(), "u", "p", "2026/12/06 12:10");
  EXPECT_EQ(report.result, 0);
  EXPECT_TRUE(waitUntil([&] { return idling.load(); }));
  service->stop();
  EXPECT_FALSE(service->watching());
}

TEST_F(WatchTest, NoPasswordWhereStartTlsIsRequiredAndNotOffered) {
  std::mutex mutex;
  std::string heard;
  ScriptedServer server(
      [&](ServerConnection& c) {
        c.send("* OK [CAPABILITY IMAP4rev1 IDLE AUTH=PLAIN] ready\r\n");
        std::string line;
        while (c.readLine(line)) {
          std::lock_guard<std::mutex> lock(mutex);
          heard += line + "\n";
        }
      },
      2);
  auto service = makeService();
  ASSERT_EQ(start(*service, "starttls:" + server.address()), 0);
  ASSERT_TRUE(waitUntil([&] { return server.accepted() == 2; }));
  service->stop();
  std::lock_guard<std::mutex> lock(mutex);
  EXPECT_NE(heard.find("LOGOUT"), std::string::npos);
  EXPECT_EQ(heard.find(kPassword), std::string::npos);
  EXPECT_EQ(heard.find("AUTHENTICATE"), std::string::npos);
  EXPECT_EQ(heard.find("LOGIN"), std::string::npos);
}

// The stop ends the watch whatever it awaits; the server sees its connection close.
class WatchStopTest : public WatchTest {
 protected:
  void stopWhile(const ScriptedServer::Script& untilWaiting, const std::string& host = "") {
    std::atomic<bool> waiting{false};
    std::atomic<bool> closed{false};
    ScriptedServer server([&](ServerConnection& c) {
      untilWaiting(c);
      waiting = true;
      closed = c.waitForClose(std::chrono::seconds(30));
    });
    auto service = makeService();
    ASSERT_EQ(start(*service, host.empty() ? server.address() : host + server.address()), 0);
    ASSERT_TRUE(waitUntil([&] { return waiting.load(); }));
    service->stop();
    EXPECT_FALSE(service->watching());
    EXPECT_TRUE(waitUntil([&] { return closed.load(); }));
  }
};

TEST_F(WatchStopTest, WhileConnecting) {
  context.limits.connectTimeout = milliseconds(30000);
  BlackHole hole;
  auto service = makeService();
  ASSERT_EQ(start(*service, hole.address()), 0);
  service->stop();
  EXPECT_FALSE(service->watching());
}

TEST_F(WatchStopTest, DuringTheTlsHandshake) {
  context.limits.silenceTimeout = milliseconds(30000);
  stopWhile([](ServerConnection&) {}, "tls:");
}

TEST_F(WatchStopTest, WhileTheLoginIsAwaited) {
  context.limits.silenceTimeout = milliseconds(30000);
  stopWhile([](ServerConnection& c) {
    c.send("* OK [CAPABILITY IMAP4rev1 IDLE] ready\r\n");
    std::string line;
    c.readLine(line);
  });
}

TEST_F(WatchStopTest, WhileIdling) {
  stopWhile([](ServerConnection& c) { playUntilIdle(c); });
}

TEST_F(WatchStopTest, WhileDoneIsAnswered) {
  times.quiet = milliseconds(50);
  times.answer = milliseconds(30000);
  stopWhile([](ServerConnection& c) {
    std::string line;
    if (playUntilIdle(c)) c.readLine(line);
  });
}

TEST_F(WatchStopTest, DuringTheBackOff) {
  times.backOff = milliseconds(60000);
  std::atomic<bool> refused{false};
  ScriptedServer server([&](ServerConnection& c) {
    c.send("* BYE not now\r\n");
    refused = c.waitForClose();
  });
  auto service = makeService();
  ASSERT_EQ(start(*service, server.address()), 0);
  ASSERT_TRUE(waitUntil([&] { return refused.load(); }));
  service->stop();
  EXPECT_FALSE(service->watching());
}

}  // namespace
}  // namespace vrxmail::testing
