// Whole IMAP checks against a private dovecot.
#include <gtest/gtest.h>

#include <memory>

#include "check_service.h"
#include "host_port.h"
#include "local_time.h"
#include "result_codes.h"
#include "support/check_helpers.h"
#include "support/dovecot.h"
#include "support/watch_support.h"
#include "watch_service.h"

namespace vrxmail::testing {
namespace {

class DovecotImap : public ::testing::Test {
 protected:
  virtual Dovecot::Options options() const { return {}; }

  void SetUp() override {
    dovecot = std::make_unique<Dovecot>(options());
    ASSERT_EQ(dovecot->error(), "") << "a private dovecot is needed for these tests";
  }

  Report check(const std::string& user, const std::string& stamp) {
    return checkThrough(service, kImap, dovecot->imapAddress(), user, Dovecot::password(user),
                        stamp);
  }

  void deliverAt(const std::string& user, int64_t arrival) {
    dovecot->deliver(user, makeMessage(arrival, arrival - 30, "at " + std::to_string(arrival)),
                     arrival);
  }

  // The commands a full check sends (nothing remembered), with its outcome.
  std::string commandsOf(const std::string& user, int64_t since, CheckOutcome& outcome) {
    auto record = std::make_shared<std::string>();
    MailboxMemory nothingRemembered;
    CheckContext context;
    context.connect = recordingConnector(record);
    context.mailboxes = &nothingRemembered;
    CheckJob job;
    job.type = kImap;
    job.endpoint = *parseHostPort(dovecot->imapAddress(), kImapPort);
    job.user = user;
    job.password = Dovecot::password(user);
    job.since = since;
    outcome = runCheck(job, context);
    return *record;
  }

  std::unique_ptr<Dovecot> dovecot;
  CheckService service;
};

// A server without WITHIN: the day search and the exact filter on the client.
class DovecotImapByDay : public DovecotImap {
 protected:
  Dovecot::Options options() const override {
    Dovecot::Options o;
    o.withoutWithin = true;
    return o;
  }
};

TEST_F(DovecotImap, CountsNoneOneAndMany) {
  ScopedTimeZone zone("UTC0");
  const int64_t t = minuteAgo(7200);
  const std::string empty = dovecot->newUser();
  const std::string one = dovecot->newUser();
  const std::string many = dovecot->newUser();
  for (const int64_t at : {t - 86400 * 3, t - 3600, t - 60}) deliverAt(one, at);
  deliverAt(one, t + 5);
  for (const int64_t at : {t - 7200, t - 30}) deliverAt(many, at);
  for (int i = 0; i < 7; ++i) deliverAt(many, t + 5 + i * 300);

  Report r = check(empty, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 0);
  r = check(one, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 1);
  r = check(many, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 7);

  CheckOutcome o;
  const std::string sent = commandsOf(many, t, o);
  EXPECT_NE(sent.find("EXAMINE INBOX"), std::string::npos) << sent;
  EXPECT_NE(sent.find("UID SEARCH RETURN (MIN) YOUNGER "), std::string::npos) << sent;
  EXPECT_NE(sent.find("UID FETCH"), std::string::npos) << sent;
  EXPECT_EQ(o.newCount, 7);
}

TEST_F(DovecotImap, StampInLocalZonesAcrossADayBoundary) {
  // Yesterday 23:50 UTC is today in UTC+10 and still yesterday afternoon in UTC-8.
  const int64_t now = minuteAgo(0);
  const int64_t midnight = now - now % 86400;
  const int64_t t = midnight - 600;
  const std::string user = dovecot->newUser();
  deliverAt(user, t - 30);
  deliverAt(user, t + 5);
  deliverAt(user, midnight + 5);
  for (const char* tz : {"AEST-10", "PST8", "UTC0"}) {
    ScopedTimeZone zone(tz);
    const Report r = check(user, localStamp(t));
    EXPECT_EQ(r.result, 0) << tz;
    EXPECT_EQ(r.newCount, 2) << tz << " stamp " << localStamp(t);
  }
}

TEST_F(DovecotImap, WrongPasswordAndUnknownUser) {
  const std::string user = dovecot->newUser();
  Report r = checkThrough(service, kImap, dovecot->imapAddress(), user, "wrong", "2026/01/01 00:00");
  EXPECT_EQ(r.result, kImapLoginRejected);
  r = checkThrough(service, kImap, dovecot->imapAddress(), "nobody-here", "x", "2026/01/01 00:00");
  EXPECT_EQ(r.result, kImapLoginRejected);
}

TEST_F(DovecotImap, NeverChangesTheMailbox) {
  ScopedTimeZone zone("UTC0");
  const int64_t t = minuteAgo(3600);
  const std::string user = dovecot->newUser();
  deliverAt(user, t - 60);
  deliverAt(user, t + 60);
  const std::string before = dovecot->mailboxListing(user);
  EXPECT_EQ(check(user, localStamp(t)).newCount, 1);
  EXPECT_EQ(check(user, localStamp(t)).newCount, 1);
  EXPECT_EQ(dovecot->mailboxListing(user), before);
}

TEST_F(DovecotImapByDay, CountsExactlyAroundTheStampsMinute) {
  ScopedTimeZone zone("UTC0");
  const int64_t t = minuteAgo(3600);
  const std::string user = dovecot->newUser();
  for (const int64_t at : {t - 2 * 86400, t - 86400, t - 61, t - 1}) deliverAt(user, at);
  for (const int64_t at : {t, t + 59, t + 600}) deliverAt(user, at);
  const Report r = check(user, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 3);

  CheckOutcome o;
  const std::string sent = commandsOf(user, t, o);
  EXPECT_NE(sent.find("UID SEARCH SINCE "), std::string::npos) << sent;
  EXPECT_NE(sent.find("UID FETCH "), std::string::npos) << sent;
  EXPECT_EQ(sent.find("YOUNGER"), std::string::npos) << sent;
  EXPECT_EQ(o.newCount, 3);
}

TEST_F(DovecotImapByDay, ZonesAndDayBoundaryWithTheExactFilter) {
  const int64_t now = minuteAgo(0);
  const int64_t midnight = now - now % 86400;
  const int64_t t = midnight - 600;
  const std::string user = dovecot->newUser();
  for (const int64_t at : {t - 86400 - 5, t - 1, t, midnight, midnight + 1}) deliverAt(user, at);
  for (const char* tz : {"AEST-10", "PST8", "NST3:30"}) {
    ScopedTimeZone zone(tz);
    const Report r = check(user, localStamp(t));
    EXPECT_EQ(r.result, 0) << tz;
    EXPECT_EQ(r.newCount, 3) << tz << " stamp " << localStamp(t);
  }
}

TEST_F(DovecotImapByDay, NoneSinceAStampAfterEveryMessage) {
  ScopedTimeZone zone("UTC0");
  const int64_t t = minuteAgo(600);
  const std::string user = dovecot->newUser();
  for (const int64_t at : {t - 86400, t - 7200, t - 1}) deliverAt(user, at);
  const Report r = check(user, localStamp(t));
  EXPECT_EQ(r.result, 0);
  EXPECT_EQ(r.newCount, 0);
}

// The watch reaches IDLE a moment after its start, which it does not tell: a message a
// second until one is told.
TEST_F(DovecotImap, AWatchIsToldOfADelivery) {
  const std::string user = dovecot->newUser();
  const std::string host = dovecot->imapAddress();
  const std::string password = Dovecot::password(user);
  WatchEvents::instance().reset();
  WatchService watch(WatchContext{}, [] { return WatchTimes{}; });
  const MailRequest r{kImap, host.c_str(), user.c_str(), password.c_str(), nullptr, 0, nullptr};
  ASSERT_EQ(watch.start(&r, &WatchEvents::onEvent), 0);
  bool told = false;
  for (int i = 0; i < 20 && !told; ++i) {
    deliverAt(user, epochNow() - i);
    told = WatchEvents::instance().waitFor(kWatchNewMail, 1, std::chrono::milliseconds(1500));
  }
  EXPECT_TRUE(told);
  watch.stop();
  EXPECT_FALSE(watch.watching());
}

}  // namespace
}  // namespace vrxmail::testing
