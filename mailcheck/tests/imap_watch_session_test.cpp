// The watch's conversation line by line: IDLE after EXAMINE, the counts that are news, DONE
// and IDLE again, and the server that does not offer IDLE.
#include <gtest/gtest.h>

#include "imap_session.h"
#include "local_time.h"
#include "result_codes.h"
#include "watch_times.h"

namespace vrxmail {
namespace {

using std::chrono::milliseconds;

class ImapWatchSessionTest : public ::testing::Test {
 protected:
  ImapSession session{"user", "pw", 0, epochNow, false, ImapPurpose::watch};

  std::string feed(const std::string& response) {
    session.onResponse(response);
    return session.takeOutput();
  }

  void untilIdle() {
    feed("* OK [CAPABILITY IMAP4rev1 IDLE] hi");
    feed("q1 OK [CAPABILITY IMAP4rev1 IDLE] in");
    feed("* 5 EXISTS");
    feed("* 2 RECENT");
    ASSERT_EQ(feed("q2 OK [READ-ONLY] done"), "q3 IDLE\r\n");
    ASSERT_EQ(session.state(), ImapState::idleSent);
    feed("+ idling");
    ASSERT_EQ(session.state(), ImapState::idling);
  }
};

TEST_F(ImapWatchSessionTest, RisingCountsAreNewsAndTheExamineCountsAreNot) {
  untilIdle();
  EXPECT_FALSE(session.takeNews());
  feed("* 5 EXISTS");
  feed("* 2 RECENT");
  feed("* OK Still here");
  EXPECT_FALSE(session.takeNews());
  feed("* 3 EXPUNGE");
  feed("* 5 EXISTS");  // one went, one came
  EXPECT_TRUE(session.takeNews());
  EXPECT_FALSE(session.takeNews());
  feed("* 3 RECENT");  // the same message, told a second time
  EXPECT_FALSE(session.takeNews());
  feed("* 4 RECENT");  // a message told of with RECENT alone
  EXPECT_TRUE(session.takeNews());
}

TEST_F(ImapWatchSessionTest, DoneThenIdleAgainOnlyAfterTheTaggedOk) {
  untilIdle();
  session.leaveIdle();
  EXPECT_EQ(session.takeOutput(), "DONE\r\n");
  session.leaveIdle();  // once is enough
  EXPECT_EQ(session.takeOutput(), "");
  EXPECT_EQ(feed("q2 OK not ours"), "");
  EXPECT_EQ(feed("q3 OK [CLIENTBUG] done"), "q4 IDLE\r\n");
  feed("+ idling");
  EXPECT_EQ(session.state(), ImapState::idling);
  EXPECT_FALSE(session.finished());
}

TEST_F(ImapWatchSessionTest, ByeAnEndedIdleOrARefusedOneEndTheConversation) {
  for (const char* ending : {"* BYE shutting down", "q3 OK ended by the server", "q3 BAD no"}) {
    ImapSession s{"user", "pw", 0, epochNow, false, ImapPurpose::watch};
    s.onResponse("* OK [CAPABILITY IMAP4rev1 IDLE] hi");
    s.onResponse("q1 OK [CAPABILITY IMAP4rev1 IDLE] in");
    s.onResponse("q2 OK done");
    s.onResponse("+ idling");
    s.onResponse(ending);
    EXPECT_TRUE(s.finished()) << ending;
    EXPECT_FALSE(s.idleUnavailable());
  }
}

TEST_F(ImapWatchSessionTest, WithoutIdleNothingIsExamined) {
  feed("* OK [CAPABILITY IMAP4rev1 IDLE] hi");  // IDLE before the login does not count
  EXPECT_EQ(feed("q1 OK [CAPABILITY IMAP4rev1 SASL-IR] in"), "q2 LOGOUT\r\n");
  EXPECT_TRUE(session.idleUnavailable());
  EXPECT_EQ(session.state(), ImapState::logout);
}

TEST(WatchTimes, ItemsOfTheTextSetTheirIntervalsAndBadOnesAreIgnored) {
  const WatchTimes defaults;
  EXPECT_EQ(defaults.quiet, milliseconds(180000));
  EXPECT_EQ(defaults.answer, milliseconds(15000));
  EXPECT_EQ(defaults.keepAlive, milliseconds(29 * 60000));
  EXPECT_EQ(defaults.backOff, milliseconds(2000));
  EXPECT_EQ(defaults.backOffCap, milliseconds(300000));
  EXPECT_EQ(defaults.stable, milliseconds(60000));
  const WatchTimes t = parseWatchTimes(
      "quiet=300, answer = 200,keepalive=1,backoff=x,cap=-5,stable=99999999999,bogus=7,,=");
  EXPECT_EQ(t.quiet, milliseconds(300));
  EXPECT_EQ(t.answer, milliseconds(200));
  EXPECT_EQ(t.keepAlive, kShortestWatchTime);
  EXPECT_EQ(t.backOff, defaults.backOff);
  EXPECT_EQ(t.backOffCap, defaults.backOffCap);
  EXPECT_EQ(t.stable, kLongestWatchTime);
}

}  // namespace
}  // namespace vrxmail
