#include "pop3_session.h"

#include <gtest/gtest.h>

#include "civil_time.h"
#include "result_codes.h"

namespace vrxmail {
namespace {

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});

class Pop3SessionTest : public ::testing::Test {
 protected:
  ArrivalCache cache;

  std::string feed(Pop3Session& s, const std::string& line) {
    s.onLine(line);
    return s.takeOutput();
  }

  void login(Pop3Session& s) {
    EXPECT_EQ(feed(s, "+OK Dovecot ready."), "USER user\r\n");
    EXPECT_EQ(feed(s, "+OK"), "PASS secret\r\n");
  }

  void top(Pop3Session& s, const std::string& date) {
    EXPECT_EQ(feed(s, "+OK"), "");
    feed(s, "Received: by mx; " + date);
    feed(s, "..Subject: dot-stuffed");
    feed(s, "");
  }
};

TEST_F(Pop3SessionTest, NewestFirstUntilTheFirstOlderMessage) {
  Pop3Session s("user", "secret", kSince, cache, "scope");
  login(s);
  EXPECT_EQ(feed(s, "+OK Logged in."), "STAT\r\n");
  EXPECT_EQ(feed(s, "+OK 3 4096"), "UIDL 3\r\n");
  EXPECT_EQ(feed(s, "+OK 3 uid-c"), "TOP 3 0\r\n");
  top(s, "Sun, 6 Dec 2026 12:30:00 +0000");
  EXPECT_EQ(feed(s, "."), "UIDL 2\r\n");
  EXPECT_EQ(feed(s, "+OK 2 uid-b"), "TOP 2 0\r\n");
  top(s, "Sun, 6 Dec 2026 13:10:00 +0100");
  EXPECT_EQ(feed(s, "."), "UIDL 1\r\n");
  EXPECT_EQ(feed(s, "+OK 1 uid-a"), "TOP 1 0\r\n");
  top(s, "Sun, 6 Dec 2026 12:09:59 +0000");
  EXPECT_EQ(feed(s, "."), "QUIT\r\n");
  feed(s, "+OK Logging out.");
  ASSERT_TRUE(s.finished());
  EXPECT_EQ(s.outcome().result, kSuccess);
  EXPECT_EQ(s.outcome().newCount, 2);
  EXPECT_EQ(s.headersFetched(), 3u);
  EXPECT_EQ(cache.size(), 3u);
}

TEST_F(Pop3SessionTest, RecheckOfAnUnchangedMailboxFetchesNoHeaders) {
  {
    Pop3Session s("user", "secret", kSince, cache, "scope");
    login(s);
    feed(s, "+OK");
    feed(s, "+OK 2 100");
    feed(s, "+OK 2 uid-b");
    top(s, "Sun, 6 Dec 2026 12:30:00 +0000");
    feed(s, ".");
    feed(s, "+OK 1 uid-a");
    top(s, "Sun, 6 Dec 2026 11:00:00 +0000");
    EXPECT_EQ(feed(s, "."), "QUIT\r\n");
  }
  Pop3Session again("user", "secret", kSince, cache, "scope");
  login(again);
  feed(again, "+OK");
  EXPECT_EQ(feed(again, "+OK 2 100"), "UIDL 2\r\n");
  EXPECT_EQ(feed(again, "+OK 2 uid-b"), "UIDL 1\r\n");
  EXPECT_EQ(feed(again, "+OK 1 uid-a"), "QUIT\r\n");
  EXPECT_EQ(again.outcome().newCount, 1);
  EXPECT_EQ(again.headersFetched(), 0u);
}

TEST_F(Pop3SessionTest, WithoutTopTheWholeMessageIsReadAndItsMarksUndone) {
  Pop3Session s("user", "secret", kSince, cache, "scope");
  login(s);
  feed(s, "+OK");
  EXPECT_EQ(feed(s, "+OK 2 4000"), "UIDL 2\r\n");
  EXPECT_EQ(feed(s, "+OK 2 b"), "TOP 2 0\r\n");
  EXPECT_EQ(feed(s, "-ERR Unknown command"), "LIST 2\r\n");
  EXPECT_EQ(feed(s, "+OK 2 2000"), "RETR 2\r\n");
  feed(s, "+OK 2000 octets");
  feed(s, "Received: by mx; Sun, 6 Dec 2026 12:30:00 +0000");
  feed(s, "");
  feed(s, "Date: Sun, 6 Dec 2000 12:30:00 +0000");
  EXPECT_EQ(feed(s, "..body line"), "");
  EXPECT_EQ(feed(s, "."), "UIDL 1\r\n");
  EXPECT_EQ(feed(s, "+OK 1 a"), "LIST 1\r\n");
  feed(s, "+OK 1 100");
  feed(s, "+OK");
  feed(s, "Date: Sun, 6 Dec 2026 11:00:00 +0000");
  feed(s, "");
  EXPECT_EQ(feed(s, "."), "RSET\r\nQUIT\r\n");
  EXPECT_EQ(s.outcome().result, kSuccess);
  EXPECT_EQ(s.outcome().newCount, 1);
}

TEST_F(Pop3SessionTest, UndatedMessagesAreSkippedNotCounted) {
  Pop3Session s("user", "secret", kSince, cache, "scope");
  login(s);
  feed(s, "+OK");
  feed(s, "+OK 1 10");
  feed(s, "+OK 1 u1");
  feed(s, "+OK");
  feed(s, "Subject: no date");
  EXPECT_EQ(feed(s, "."), "QUIT\r\n");
  EXPECT_EQ(s.outcome().newCount, 0);
}

TEST_F(Pop3SessionTest, WithoutUidlEveryMessageIsJudgedByItsHeadersAndNothingIsRemembered) {
  for (int check = 0; check < 2; ++check) {
    Pop3Session s("user", "secret", kSince, cache, "scope");
    login(s);
    feed(s, "+OK");
    EXPECT_EQ(feed(s, "+OK 2 100"), "UIDL 2\r\n");
    EXPECT_EQ(feed(s, "-ERR Unknown command: UIDL"), "TOP 2 0\r\n");
    top(s, "Sun, 6 Dec 2026 12:30:00 +0000");
    EXPECT_EQ(feed(s, "."), "TOP 1 0\r\n");
    top(s, "Sun, 6 Dec 2026 11:00:00 +0000");
    EXPECT_EQ(feed(s, "."), "QUIT\r\n");
    EXPECT_EQ(s.outcome().newCount, 1);
    EXPECT_EQ(cache.size(), 0u);
  }
}

TEST_F(Pop3SessionTest, WithoutTopAMessageTooBigToReadIsSkippedAndRememberedAsUndated) {
  auto firstSteps = [this](Pop3Session& s) {
    login(s);
    feed(s, "+OK");
    EXPECT_EQ(feed(s, "+OK 2 400000"), "UIDL 2\r\n");
  };
  Pop3Session s("user", "secret", kSince, cache, "scope");
  firstSteps(s);
  EXPECT_EQ(feed(s, "+OK 2 big"), "TOP 2 0\r\n");
  EXPECT_EQ(feed(s, "-ERR Unknown command"), "LIST 2\r\n");
  EXPECT_EQ(feed(s, "+OK 2 300000"), "UIDL 1\r\n");
  EXPECT_EQ(feed(s, "+OK 1 small"), "LIST 1\r\n");
  EXPECT_EQ(feed(s, "+OK 1 100"), "RETR 1\r\n");
  feed(s, "+OK");
  feed(s, "Date: Sun, 6 Dec 2026 12:30:00 +0000");
  EXPECT_EQ(feed(s, "."), "RSET\r\nQUIT\r\n");
  EXPECT_EQ(s.outcome().result, kSuccess);
  EXPECT_EQ(s.outcome().newCount, 1);

  Pop3Session again("user", "secret", kSince, cache, "scope");
  firstSteps(again);
  EXPECT_EQ(feed(again, "+OK 2 big"), "UIDL 1\r\n");
  EXPECT_EQ(feed(again, "+OK 1 small"), "QUIT\r\n");
  EXPECT_EQ(again.outcome().newCount, 1);
}

TEST_F(Pop3SessionTest, PastTheHeaderCapTheRestOfTheBlockIsDropped) {
  Pop3Session s("user", "secret", kSince, cache, "scope");
  login(s);
  feed(s, "+OK");
  feed(s, "+OK 1 100");
  feed(s, "+OK 1 u1");
  feed(s, "+OK");
  feed(s, "X-Filler: " + std::string(65200, 'f'));
  feed(s, "Received: from a by b");
  feed(s, "X-Trace: " + std::string(600, 't'));
  feed(s, "\t; Sun, 6 Dec 2026 09:00:00 +0000");
  feed(s, "Date: Sun, 6 Dec 2026 09:00:00 +0000");
  EXPECT_EQ(feed(s, "."), "QUIT\r\n");
  EXPECT_EQ(cache.find("scope\nu1"), ArrivalCache::kUnknown);
}

TEST_F(Pop3SessionTest, EmptyMailbox) {
  Pop3Session s("user", "secret", kSince, cache, "scope");
  login(s);
  feed(s, "+OK");
  EXPECT_EQ(feed(s, "+OK 0 0"), "QUIT\r\n");
}

struct Failure {
  std::vector<std::string> replies;
  int32_t code;
};

class Pop3FailureTest : public ::testing::TestWithParam<Failure> {};

TEST_P(Pop3FailureTest, GivesTheCodeOfTheFailingCommand) {
  ArrivalCache cache;
  Pop3Session s("u", "p", kSince, cache, "scope");
  for (const std::string& r : GetParam().replies) s.onLine(r);
  ASSERT_TRUE(s.finished());
  EXPECT_EQ(s.outcome().result, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Pop3FailureTest,
    ::testing::Values(Failure{{"-ERR busy"}, kBadCommandResponse},
                      Failure{{"+OKAY"}, kBadCommandResponse},
                      Failure{{"+OK", "-ERR no"}, kPop3LoginRejected},
                      Failure{{"+OK", "+OK", "-ERR [AUTH] Authentication failed."},
                              kPop3LoginRejected},
                      Failure{{"+OK", "+OK", "+OK", "-ERR"}, kPop3StatFailed},
                      Failure{{"+OK", "+OK", "+OK", "+OK many 1"}, kPop3StatFailed},
                      Failure{{"+OK", "+OK", "+OK", "+OK 3"}, kPop3StatFailed},
                      Failure{{"+OK", "+OK", "+OK", "+OK 3 9", "+OK 2 x"}, kPop3UidlFailed},
                      Failure{{"+OK", "+OK", "+OK", "+OK 3 9", "+OK 3"}, kPop3UidlFailed},
                      Failure{{"+OK", "+OK", "+OK", "+OK 3 9", "+OK 3 x", "-ERR", "-ERR"},
                              kPop3ListFailed},
                      Failure{{"+OK", "+OK", "+OK", "+OK 3 9", "+OK 3 x", "-ERR", "+OK 2 10"},
                              kPop3ListFailed},
                      Failure{{"+OK", "+OK", "+OK", "+OK 3 9", "+OK 3 x", "-ERR", "+OK 3 10",
                               "-ERR"},
                              kPop3RetrieveFailed}));

TEST(Pop3Session, ConnectionLostDuringHeadersIsARetrieveFailure) {
  ArrivalCache cache;
  Pop3Session s("u", "p", kSince, cache, "scope");
  for (const char* r : {"+OK", "+OK", "+OK", "+OK 3 9", "+OK 3 x", "+OK", "Subject: a"}) {
    s.onLine(r);
  }
  s.onConnectionLost();
  EXPECT_EQ(s.outcome().result, kPop3RetrieveFailed);
}

TEST(Pop3Session, ConnectionLostAfterQuitKeepsTheCount) {
  ArrivalCache cache;
  Pop3Session s("u", "p", kSince, cache, "scope");
  for (const char* r : {"+OK", "+OK", "+OK", "+OK 0 0"}) s.onLine(r);
  s.onConnectionLost();
  EXPECT_EQ(s.outcome().result, kSuccess);
}

}  // namespace
}  // namespace vrxmail
