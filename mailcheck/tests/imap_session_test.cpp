#include "imap_session.h"

#include <gtest/gtest.h>

#include "civil_time.h"
#include "result_codes.h"

namespace vrxmail {
namespace {

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});
int64_t tenMinutesLater() { return kSince + 600; }

const char* kLoginCaps = "q1 OK [CAPABILITY IMAP4rev1 ESEARCH WITHIN] Logged in";
const char* kPlainCaps = "q1 OK [CAPABILITY IMAP4rev1 IDLE] Logged in";
const char* kHi = "* OK [CAPABILITY IMAP4rev1] hi";

class ImapSessionTest : public ::testing::Test {
 protected:
  ImapSession session{"user", "pa\"ss", kSince, tenMinutesLater};

  std::string feed(const std::string& response) {
    session.onResponse(response);
    return session.takeOutput();
  }
};

// The server's clock runs the search, so it gets an hour more than the exact age and the
// arrival times decide: a second between the clocks never loses the stamp's own minute.
TEST_F(ImapSessionTest, WithinNarrowsTheSearchAndTheArrivalTimesDecide) {
  EXPECT_EQ(feed("* OK [CAPABILITY IMAP4rev1 LITERAL+] ready"),
            "q1 LOGIN \"user\" \"pa\\\"ss\"\r\n");
  EXPECT_EQ(feed(kLoginCaps), "q2 EXAMINE INBOX\r\n");
  EXPECT_EQ(feed("* 3 EXISTS"), "");
  EXPECT_EQ(feed("q2 OK [READ-ONLY] done"), "q3 UID SEARCH RETURN (MIN) YOUNGER 4200\r\n");
  EXPECT_EQ(feed("* ESEARCH (TAG \"other\") UID MIN 1"), "");
  EXPECT_EQ(feed("* 4 EXISTS"), "");
  EXPECT_EQ(feed("* ESEARCH (TAG \"q3\") UID MIN 100"), "");
  EXPECT_EQ(feed("q3 OK Search completed (0.001 + 0.000 secs)."),
            "q4 UID FETCH 100:* (UID INTERNALDATE)\r\n");
  feed("* 1 FETCH (UID 100 INTERNALDATE \"06-Dec-2026 12:09:59 +0000\")");
  feed("* 2 FETCH (UID 101 INTERNALDATE \"06-Dec-2026 12:10:00 +0000\")");
  feed("* 3 FETCH (UID 102 INTERNALDATE \"06-Dec-2026 13:15:00 +0100\")");
  EXPECT_EQ(feed("q4 OK done"), "q5 LOGOUT\r\n");
  EXPECT_FALSE(session.finished());
  feed("* BYE Logging out");
  feed("q5 OK Logout completed");
  ASSERT_TRUE(session.finished());
  EXPECT_EQ(session.outcome().result, kSuccess);
  EXPECT_EQ(session.outcome().newCount, 2);
}

TEST_F(ImapSessionTest, SearchesSinceTheDayBeforeAndFiltersByArrival) {
  feed("* OK [CAPABILITY IMAP4rev1] ready");
  EXPECT_EQ(feed(kPlainCaps), "q2 EXAMINE INBOX\r\n");
  EXPECT_EQ(feed("q2 OK done"), "q3 UID SEARCH SINCE 5-Dec-2026\r\n");
  EXPECT_EQ(feed("* SEARCH 93 94 100"), "");
  EXPECT_EQ(feed("q3 OK done"), "q4 UID FETCH 93:* (UID INTERNALDATE)\r\n");
  feed("* 1 FETCH (UID 93 INTERNALDATE \"06-Dec-2026 12:09:59 +0000\")");
  feed("* 2 FETCH (UID 94 INTERNALDATE \" 6-Dec-2026 13:10:00 +0100\" FLAGS ())");
  feed("* 5 EXISTS");
  feed("* 2 FETCH (FLAGS (\\Seen))");
  feed("* 3 FETCH (INTERNALDATE {26}\r\n06-Dec-2026 04:11:00 -0800 UID 100)");
  feed("* 3 FETCH (UID 100 INTERNALDATE \"06-Dec-2026 12:11:00 +0000\")");
  EXPECT_EQ(feed("q4 OK done"), "q5 LOGOUT\r\n");
  session.onConnectionLost();
  ASSERT_TRUE(session.finished());
  EXPECT_EQ(session.outcome().result, kSuccess);
  EXPECT_EQ(session.outcome().newCount, 2);
}

TEST_F(ImapSessionTest, AsksForCapabilitiesWhenLoginGivesNone) {
  feed("* OK [CAPABILITY IMAP4rev1] ready");
  EXPECT_EQ(feed("q1 OK Logged in"), "q2 CAPABILITY\r\n");
  feed("* CAPABILITY IMAP4rev1 WITHIN");
  EXPECT_EQ(feed("q2 OK done"), "q3 EXAMINE INBOX\r\n");
  EXPECT_EQ(feed("q3 OK done"), "q4 UID SEARCH YOUNGER 4200\r\n");
  feed("* SEARCH");
  EXPECT_EQ(feed("q4 OK done"), "q5 LOGOUT\r\n");
  feed("q5 OK bye");
  EXPECT_EQ(session.outcome().newCount, 0);
}

TEST_F(ImapSessionTest, EmptySearchMeansNoFetch) {
  feed("* OK [CAPABILITY IMAP4rev1] ready");
  feed(kPlainCaps);
  feed("q2 OK done");
  feed("* SEARCH");
  EXPECT_EQ(feed("q3 OK done"), "q4 LOGOUT\r\n");
  EXPECT_EQ(session.outcome().newCount, 0);
}

TEST_F(ImapSessionTest, PreauthSkipsLogin) {
  EXPECT_EQ(feed("* PREAUTH [CAPABILITY IMAP4rev1] hi"), "q1 EXAMINE INBOX\r\n");
}

struct Failure {
  std::vector<std::string> replies;
  int32_t code;
};

class ImapFailureTest : public ::testing::TestWithParam<Failure> {};

TEST_P(ImapFailureTest, GivesTheCodeOfTheFailingCommand) {
  ImapSession session("u", "p", kSince, tenMinutesLater);
  for (const std::string& r : GetParam().replies) session.onResponse(r);
  ASSERT_TRUE(session.finished());
  EXPECT_EQ(session.outcome().result, GetParam().code);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ImapFailureTest,
    ::testing::Values(
        Failure{{"* BYE go away"}, kBadCommandResponse},
        Failure{{"garbage"}, kBadCommandResponse},
        Failure{{"+ go ahead"}, kBadCommandResponse},
        Failure{{kHi, "q1 NO [AUTHENTICATIONFAILED] Authentication failed."},
                kImapLoginRejected},
        Failure{{kHi, "q1 BAD syntax"}, kImapLoginRefused},
        Failure{{kHi, "q1 OK in", "q2 NO no"}, kBadCommandResponse},
        Failure{{kHi, kPlainCaps, "q2 NO no such mailbox"}, kBadCommandResponse},
        Failure{{kHi, kPlainCaps, "q2 OK", "q3 BAD Invalid search date parameter"},
                kImapSearchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "* SEARCH 1 x", "q3 OK"}, kImapSearchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "* SEARCH 0", "q3 OK"}, kImapSearchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "q3 OK no data"}, kImapSearchFailed},
        Failure{{kHi, kLoginCaps, "q2 OK", "* ESEARCH (TAG \"q3\") UID MIN x", "q3 OK"},
                kImapSearchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "* SEARCH 4", "q3 OK", "q4 NO"},
                kImapFetchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "* SEARCH 4", "q3 OK",
                 "* 1 FETCH (UID 4 INTERNALDATE \"yesterday\")", "q4 OK"},
                kImapFetchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "* SEARCH 4", "q3 OK",
                 "* 1 FETCH (INTERNALDATE \"06-Dec-2026 12:11:00 +0000\")", "q4 OK"},
                kImapFetchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "* SEARCH 4", "q3 OK", "* 1 FETCH (UID 4",
                 "q4 OK"},
                kImapFetchFailed},
        Failure{{kHi, kPlainCaps, "q2 OK", "* BYE shutting down"}, kImapSearchFailed}));

TEST(ImapSession, ConnectionLostGivesTheAwaitedCommandsCode) {
  ImapSession session("u", "p", kSince, tenMinutesLater);
  session.onResponse(kHi);
  session.onResponse(kPlainCaps);
  session.onResponse("q2 OK");
  session.onResponse("* SEARCH 4");
  session.onResponse("q3 OK");
  session.onConnectionLost();
  EXPECT_EQ(session.outcome().result, kImapFetchFailed);
}

TEST(ImapSession, RefusesCredentialsThatCannotBeSent) {
  ImapSession session("u\r\nq9 DELETE INBOX", "p", kSince, tenMinutesLater);
  session.onResponse(kHi);
  EXPECT_EQ(session.takeOutput(), "");
  EXPECT_EQ(session.outcome().result, kImapLoginRefused);
}

TEST(ImapSession, FutureStampSearchesByDay) {
  ImapSession session("u", "p", kSince + 3600, tenMinutesLater);
  session.onResponse(kHi);
  session.onResponse(kLoginCaps);
  session.takeOutput();
  session.onResponse("q2 OK");
  EXPECT_EQ(session.takeOutput(), "q3 UID SEARCH RETURN (MIN) SINCE 5-Dec-2026\r\n");
  session.onResponse("* ESEARCH (TAG \"q3\") UID MIN 7");
  session.onResponse("q3 OK");
  EXPECT_EQ(session.takeOutput(), "q4 UID FETCH 7:* (UID INTERNALDATE)\r\n");
}

}  // namespace
}  // namespace vrxmail
