// Whole POP3 checks against a private dovecot.
#include <gtest/gtest.h>

#include <memory>

#include "check_service.h"
#include "mail_check.h"
#include "host_port.h"
#include "result_codes.h"
#include "support/check_helpers.h"
#include "support/dovecot.h"

namespace vrxmail::testing {
namespace {

std::size_t occurrences(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
  return n;
}

class DovecotPop3 : public ::testing::Test {
 protected:
  void SetUp() override {
    dovecot = std::make_unique<Dovecot>(Dovecot::Options{});
    ASSERT_EQ(dovecot->error(), "") << "a private dovecot is needed for these tests";
  }

  Report check(const std::string& user, const std::string& stamp) {
    return checkThrough(service, kPop3, dovecot->pop3Address(), user, Dovecot::password(user),
                        stamp);
  }

  // Arrival told by the top Received: header; the file time is deliberately unrelated.
  void deliverReceived(const std::string& user, int64_t received) {
    dovecot->deliver(user, makeMessage(received, received - 300, "r" + std::to_string(received)),
                     received - 5000);
  }

  // A check on its own arrival cache alone (no mailbox memory) that records what it sent.
  CheckOutcome recordedCheck(const std::string& user, int64_t since, ArrivalCache& cache,
                             std::string& sent) {
    auto record = std::make_shared<std::string>();
    CheckContext context;
    context.connect = recordingConnector(record);
    context.cache = &cache;
    context.mailboxes = nullptr;
    CheckJob job;
    job.type = kPop3;
    job.endpoint = *parseHostPort(dovecot->pop3Address(), kPop3Port);
    job.user = user;
    job.password = Dovecot::password(user);
    job.since = since;
    const CheckOutcome outcome = runCheck(job, context);
    sent = *record;
    return outcome;
  }

  std::unique_ptr<Dovecot> dovecot;
  CheckService service;
};

TEST_F(DovecotPop3, CountsNoneOneAndMany) {
  ScopedTimeZone zone("UTC0");
  const int64_t t = minuteAgo(7200);
  const std::string empty = dovecot->newUser();
  const std::string one = dovecot->newUser();
  const std::string many = dovecot->newUser();
  for (const int64_t at : {t - 3600, t - 1, t}) deliverReceived(one, at);
  for (const int64_t at : {t - 7200, t - 60}) deliverReceived(many, at);
  for (int i = 0; i < 6; ++i) deliverReceived(many, t + i * 400);

  Report r = check(empty, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 0);
  r = check(one, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 1);
  r = check(many, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 6);
}

TEST_F(DovecotPop3, StopsAtTheFirstOlderMessageAndRemembersWhatItSaw) {
  const int64_t t = minuteAgo(3600);
  const std::string user = dovecot->newUser();
  for (int i = 0; i < 20; ++i) deliverReceived(user, t - 86400 + i * 60);
  for (int i = 0; i < 3; ++i) deliverReceived(user, t + i * 60);
  ArrivalCache cache;
  std::string sent;
  CheckOutcome o = recordedCheck(user, t, cache, sent);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.newCount, 3);
  EXPECT_EQ(occurrences(sent, "TOP "), 4u) << sent;  // three new and the first older one
  EXPECT_EQ(sent.find("RETR"), std::string::npos);
  EXPECT_EQ(sent.find("DELE"), std::string::npos);

  o = recordedCheck(user, t, cache, sent);
  EXPECT_EQ(o.newCount, 3);
  EXPECT_EQ(occurrences(sent, "TOP "), 0u) << sent;
  EXPECT_EQ(occurrences(sent, "UIDL "), 4u) << sent;

  deliverReceived(user, t + 600);
  o = recordedCheck(user, t, cache, sent);
  EXPECT_EQ(o.newCount, 4);
  EXPECT_EQ(occurrences(sent, "TOP "), 1u) << sent;
}

TEST_F(DovecotPop3, ReceivedDatesInOtherZones) {
  ScopedTimeZone zone("AEST-10");
  const int64_t now = minuteAgo(0);
  const int64_t t = now - now % 86400 - 600;
  const std::string user = dovecot->newUser();
  auto deliverZoned = [&](int64_t at, int zoneMinutes) {
    const std::string message = "Received: from a by b; " + mailDateText(at, zoneMinutes) +
                                "\r\nDate: " + mailDateText(at - 99999, 0) +
                                "\r\nSubject: zoned\r\n\r\nbody\r\n";
    dovecot->deliver(user, message, at);
  };
  deliverZoned(t - 1, 570);
  deliverZoned(t, -420);
  deliverZoned(t + 700, 840);
  const Report r = check(user, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 2);
}

TEST_F(DovecotPop3, WrongPassword) {
  const std::string user = dovecot->newUser();
  const Report r =
      checkThrough(service, kPop3, dovecot->pop3Address(), user, "wrong", "2026/01/01 00:00");
  EXPECT_EQ(r.result, kPop3LoginRejected);
}

TEST_F(DovecotPop3, NeverChangesTheMailbox) {
  const int64_t t = minuteAgo(3600);
  const std::string user = dovecot->newUser();
  deliverReceived(user, t - 60);
  deliverReceived(user, t + 60);
  // A first session moves new files to cur; what matters is that no flag or file changes.
  EXPECT_EQ(check(user, localStamp(t)).newCount, 1);
  const std::string before = dovecot->mailboxListing(user);
  EXPECT_EQ(check(user, localStamp(t - 120)).newCount, 2);
  EXPECT_EQ(dovecot->mailboxListing(user), before);
  EXPECT_EQ(before.find(":2,S"), std::string::npos) << before;
}

}  // namespace
}  // namespace vrxmail::testing
