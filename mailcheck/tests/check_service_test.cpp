// The threading contract behind GetNewMail, GetMailAbort, GetMailHeader and CancelCallBack.
#include "check_service.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>

#include "result_codes.h"
#include "support/check_helpers.h"
#include "support/conversation.h"
#include "support/report_sink.h"
#include "support/scripted_server.h"
#include "vrxmail/vrxmail.h"

namespace vrxmail::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

class CheckServiceTest : public ::testing::Test {
 protected:
  void SetUp() override { ReportSink::instance().reset(); }
  void TearDown() override { ReportSink::instance().release(); }

  MailRequest request(const std::string& host, ServerType type = kPop3) {
    host_ = host;
    return MailRequest{type, host_.c_str(), "u", "p", "2026/12/06 12:10", 0,
                       &ReportSink::onReport};
  }

  std::string host_;
};

// Holds the client until it goes away.
ScriptedServer::Script silent() {
  return [](ServerConnection& c) { c.waitForClose(std::chrono::seconds(30)); };
}

ScriptedServer::Script emptyPop3Mailbox() {
  return conversation("+OK\r\n", {{"USER u", "+OK\r\n"}, {"PASS p", "+OK\r\n"},
                                  {"STAT", "+OK 0 0\r\n"}, {"QUIT", "+OK\r\n"}});
}

TEST_F(CheckServiceTest, InvalidRecordsStartNothing) {
  CheckService service;
  EXPECT_EQ(service.start(nullptr), kStartInvalidRequest);
  const MailRequest good = request("127.0.0.1:1");
  MailRequest r = good;
  r.host = nullptr;
  EXPECT_EQ(service.start(&r), kStartInvalidRequest);
  r = good;
  r.user = nullptr;
  EXPECT_EQ(service.start(&r), kStartInvalidRequest);
  r = good;
  r.password = nullptr;
  EXPECT_EQ(service.start(&r), kStartInvalidRequest);
  r = good;
  r.sinceStamp = nullptr;
  EXPECT_EQ(service.start(&r), kStartInvalidRequest);
  r = good;
  r.callback = nullptr;
  EXPECT_EQ(service.start(&r), kStartInvalidRequest);
  for (const int32_t type : {-1, 2, 1000}) {
    r = good;
    r.serverType = type;
    EXPECT_EQ(service.start(&r), kStartInvalidRequest);
  }
  EXPECT_EQ(service.lastReport(nullptr, 0), -1);  // nothing ran
  EXPECT_EQ(ReportSink::instance().delivered(), 0u);
}

TEST_F(CheckServiceTest, SecondStartWhileOutstandingIsRefused) {
  ScriptedServer server(silent());
  CheckService service;
  const MailRequest r = request(server.address());
  ASSERT_EQ(service.start(&r), 0);
  EXPECT_EQ(service.start(&r), kStartBusy);
  service.abort();
  const auto report = ReportSink::instance().take();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->result, kWsaInterrupted);
}

std::atomic<int> g_reports{0};
std::atomic<int> g_reportsOnCallerThread{0};
std::thread::id g_caller;

void recordThread(int32_t, int32_t) {
  if (std::this_thread::get_id() == g_caller) ++g_reportsOnCallerThread;
  ++g_reports;
}

// A report known before any network work (an unreadable stamp) is the one an implementation
// would be tempted to deliver from inside the start.
TEST_F(CheckServiceTest, InstantReportsStillComeLaterFromAThreadOfTheLibrary) {
  CheckService service;
  MailRequest r{kImap, "127.0.0.1", "u", "p", "not a stamp", 0, recordThread};
  g_caller = std::this_thread::get_id();
  g_reports = 0;
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(service.start(&r), 0);
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
    while (g_reports.load() <= i && Clock::now() < deadline) std::this_thread::yield();
    ASSERT_EQ(g_reports.load(), i + 1);
  }
  EXPECT_EQ(g_reportsOnCallerThread.load(), 0);
}

TEST_F(CheckServiceTest, TextsAreCopiedBeforeTheStartReturns) {
  std::string seenUser;
  std::string seenPass;
  ScriptedServer server([&](ServerConnection& c) {
    c.send("+OK\r\n");
    c.readLine(seenUser);
    c.send("+OK\r\n");
    c.readLine(seenPass);
    c.send("-ERR no\r\n");
    c.waitForClose();
  });
  CheckService service;
  std::string host = server.address();
  char user[] = "alice";
  char pass[] = "secret";
  char stamp[] = "2026/12/06 12:10";
  MailRequest r{kPop3, host.c_str(), user, pass, stamp, 0, &ReportSink::onReport};
  ASSERT_EQ(service.start(&r), 0);
  std::memset(user, 'x', sizeof user - 1);
  std::memset(pass, 'x', sizeof pass - 1);
  host.assign(host.size(), 'x');
  const auto report = ReportSink::instance().take();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->result, kPop3LoginRejected);
  EXPECT_EQ(seenUser, "USER alice");
  EXPECT_EQ(seenPass, "PASS secret");
}

TEST_F(CheckServiceTest, ExactlyOneReportPerCheckOnAThreadOfTheLibrary) {
  ScriptedServer server(emptyPop3Mailbox(), 5);
  CheckService service;
  const MailRequest r = request(server.address());
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(service.start(&r), 0);
    const auto report = ReportSink::instance().take();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->result, 0);
    EXPECT_EQ(report->newCount, 0);
    EXPECT_NE(report->thread, std::this_thread::get_id());
  }
  EXPECT_FALSE(ReportSink::instance().take(milliseconds(100)));
  EXPECT_EQ(ReportSink::instance().delivered(), 5u);
}

TEST_F(CheckServiceTest, AbortEndsASlowCheckPromptlyWithItsOneReport) {
  ScriptedServer server(silent());
  CheckService service;  // the documented time-outs: only the abort can end this soon
  const MailRequest r = request(server.address(), kImap);
  ASSERT_EQ(service.start(&r), 0);
  const Clock::time_point connected = Clock::now() + std::chrono::seconds(5);
  while (server.accepted() == 0 && Clock::now() < connected) std::this_thread::yield();
  ASSERT_EQ(server.accepted(), 1);
  const Clock::time_point start = Clock::now();
  service.abort();
  EXPECT_LT(Clock::now() - start, milliseconds(1000));
  const auto report = ReportSink::instance().take(milliseconds(1000));
  ASSERT_TRUE(report);
  EXPECT_EQ(report->result, kWsaInterrupted);
  EXPECT_FALSE(ReportSink::instance().take(milliseconds(100)));
}

TEST_F(CheckServiceTest, AbortWithNothingOutstanding) {
  CheckService service;
  const Clock::time_point start = Clock::now();
  service.abort();
  service.abort();
  EXPECT_LT(Clock::now() - start, milliseconds(100));
}

TEST_F(CheckServiceTest, AbortDoesNotWaitForAReportInProgress) {
  ScriptedServer server(emptyPop3Mailbox(), 2);
  CheckService service;
  const MailRequest r = request(server.address());
  ReportSink::instance().block();
  ASSERT_EQ(service.start(&r), 0);
  ASSERT_TRUE(ReportSink::instance().take());  // now held inside the callback
  const Clock::time_point start = Clock::now();
  service.abort();
  EXPECT_LT(Clock::now() - start, milliseconds(500));
  // The receiver of a report may start the next check from within it.
  EXPECT_EQ(service.start(&r), 0);
  // Reports come one at a time: the second waits for the first to return.
  EXPECT_FALSE(ReportSink::instance().take(milliseconds(300)));
  ReportSink::instance().release();
  const auto second = ReportSink::instance().take();
  ASSERT_TRUE(second);
  EXPECT_EQ(second->result, 0);
}

TEST_F(CheckServiceTest, CancelWithdrawsThePendingReport) {
  ScriptedServer server(silent());
  CheckService service;
  EXPECT_EQ(service.cancelCallbacks(), 0);
  const MailRequest r = request(server.address());
  ASSERT_EQ(service.start(&r), 0);
  EXPECT_EQ(service.cancelCallbacks(), 1);
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
  char line[256] = "";
  while (std::strstr(line, "withdrawn") == nullptr && Clock::now() < deadline) {
    service.lastReport(line, sizeof line);
    std::this_thread::yield();
  }
  EXPECT_NE(std::strstr(line, "withdrawn"), nullptr) << line;
  EXPECT_EQ(ReportSink::instance().delivered(), 0u);
  EXPECT_EQ(service.start(&r), 0);  // the service takes new checks afterwards
  service.abort();
  EXPECT_TRUE(ReportSink::instance().take());
}

TEST_F(CheckServiceTest, LastReportLine) {
  ScriptedServer server(emptyPop3Mailbox());
  CheckService service;
  EXPECT_EQ(service.lastReport(nullptr, 0), -1);
  const MailRequest r = request(server.address());
  ASSERT_EQ(service.start(&r), 0);
  ASSERT_TRUE(ReportSink::instance().take());
  const std::string expected =
      "POP3 plain:" + server.address() + " since 2026/12/06 12:10: result 0 new 0";
  // The line is written before the report is delivered.
  char buffer[256];
  EXPECT_EQ(service.lastReport(buffer, sizeof buffer), static_cast<int32_t>(expected.size()));
  EXPECT_EQ(std::string(buffer), expected);
  char small[5];
  EXPECT_EQ(service.lastReport(small, sizeof small), static_cast<int32_t>(expected.size()));
  EXPECT_STREQ(small, "POP3");
  EXPECT_EQ(service.lastReport(nullptr, 0), static_cast<int32_t>(expected.size()));
}

TEST_F(CheckServiceTest, UnreadableTextsAreReportedNotRefused) {
  CheckService service;
  MailRequest r{kImap, "127.0.0.1", "u", "p", "2026-12-06 12:10", 0, &ReportSink::onReport};
  ASSERT_EQ(service.start(&r), 0);
  auto report = ReportSink::instance().take();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->result, kWsaInvalidArgument);
  r.sinceStamp = "2026/12/06 12:10";
  r.host = "127.0.0.1:99999";
  ASSERT_EQ(service.start(&r), 0);
  report = ReportSink::instance().take();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->result, kWsaHostNotFound);
}

// A name with 8-bit characters (a-umlaut in the system's code page) is never resolved: it has
// to be given in its ASCII form.
TEST_F(CheckServiceTest, HostTextsBeyondAsciiHaveACodeOfTheirOwn) {
  CheckService service;
  for (const char* host : {"m\xE4il.example", "plain:127.0.0.1\xA0:110", "tls:[::1]\xFF"}) {
    MailRequest r{kImap, host, "u", "p", "2026/12/06 12:10", 0, &ReportSink::onReport};
    ASSERT_EQ(service.start(&r), 0);
    const auto report = ReportSink::instance().take();
    ASSERT_TRUE(report);
    EXPECT_EQ(report->result, kHostNotAscii) << host;
  }
  char line[128];
  service.lastReport(line, sizeof line);
  EXPECT_STREQ(line, "IMAP tls:[::1]\xFF since 2026/12/06 12:10: result -536084478 new 0");
}

TEST(Exports, EntryPointsForwardToTheProcessService) {
  EXPECT_EQ(GetNewMail(nullptr), kStartInvalidRequest);
  EXPECT_EQ(GetMailAbort(), 0);
  EXPECT_EQ(CancelCallBack(), 0);
  char buffer[8] = "x";
  EXPECT_EQ(GetMailHeader(buffer, sizeof buffer), -1);
  EXPECT_STREQ(buffer, "x");
}

}  // namespace
}  // namespace vrxmail::testing
