// Servers that misbehave get a report, never a crash, a hang or unbounded memory.
#include <gtest/gtest.h>

#include "result_codes.h"
#include "support/conversation.h"

namespace vrxmail::testing {
namespace {

const char* kImapCaps = "q1 OK [CAPABILITY IMAP4rev1] Logged in\r\n";

TEST(HostileServer, OverlongLineIsCutOff) {
  ScriptedServer server([](ServerConnection& c) {
    c.send("+OK ready\r\n");
    std::string line;
    c.readLine(line);
    const std::string chunk(64 * 1024, 'x');
    for (int i = 0; i < 200; ++i) c.send(chunk);  // 12.5 MB, never a line end
    c.waitForClose();
  });
  EXPECT_EQ(checkAgainst(server, kPop3).result, kBadCommandResponse);
}

TEST(HostileServer, EndlessLiteralAnnouncement) {
  ScriptedServer server(conversation("* 1 FETCH (BODY[] {4000000000}\r\n", {}));
  EXPECT_EQ(checkAgainst(server, kImap).result, kBadCommandResponse);
}

TEST(HostileServer, LiteralCutShortByClose) {
  ScriptedServer server([](ServerConnection& c) {
    c.send("* OK [CAPABILITY IMAP4rev1] ready\r\n");
    std::string line;
    c.readLine(line);
    c.send(kImapCaps);
    c.readLine(line);
    c.send("q2 OK\r\n");
    c.readLine(line);
    c.send("* SEARCH {100}\r\n0123456789");
  });
  EXPECT_EQ(checkAgainst(server, kImap).result, kImapSearchFailed);
}

TEST(HostileServer, LiteralsInsideAnswersAreReadToTheByte) {
  ScriptedServer server(conversation(
      "* OK [CAPABILITY IMAP4rev1] ready\r\n",
      {{"q1 LOGIN", "* 1 FETCH (BODY[] {12}\r\nq1 OK fake\r\n)\r\n" + std::string(kImapCaps)},
       {"q2 EXAMINE", "q2 OK\r\n"},
       {"q3 UID SEARCH SINCE", "* SEARCH 7\r\nq3 OK\r\n"},
       {"q4 UID FETCH 7:*",
        "* 1 FETCH (UID 7 BODY[HEADER.FIELDS (DATE)] {9}\r\nq4 OK )\r\n INTERNALDATE "
        "{26}\r\n06-Dec-2026 12:15:00 +0000)\r\nq4 OK\r\n"},
       {"q5 LOGOUT", "* BYE\r\nq5 OK\r\n"}}));
  const CheckOutcome o = checkAgainst(server, kImap);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.newCount, 1);
}

TEST(HostileServer, GarbageGreeting) {
  ScriptedServer imap(conversation(std::string("\x01\xff\0garbage\r\n", 12), {}));
  EXPECT_EQ(checkAgainst(imap, kImap).result, kBadCommandResponse);
  ScriptedServer pop3(conversation(std::string("\x01\xff\0garbage\r\n", 12), {}));
  EXPECT_EQ(checkAgainst(pop3, kPop3).result, kBadCommandResponse);
}

TEST(HostileServer, CloseInTheMiddleOfHeaders) {
  ScriptedServer server([](ServerConnection& c) {
    c.send("+OK\r\n");
    std::string line;
    for (const char* reply : {"+OK\r\n", "+OK\r\n", "+OK 1 10\r\n", "+OK 1 u1\r\n"}) {
      c.readLine(line);
      c.send(reply);
    }
    c.readLine(line);
    c.send("+OK\r\nReceived: from a by b; Sun, 6 Dec 2026 12:");
  });
  EXPECT_EQ(checkAgainst(server, kPop3).result, kPop3RetrieveFailed);
}

TEST(HostileServer, UntaggedDataAnywhere) {
  std::string flood;
  for (int i = 0; i < 5000; ++i) flood += "* " + std::to_string(i) + " EXISTS\r\n";
  ScriptedServer server(conversation(
      "* OK [CAPABILITY IMAP4rev1] ready\r\n* CAPABILITY IMAP4rev1\r\n",
      {{"q1 LOGIN", flood + "+ go on\r\n* 3 RECENT\r\nq9 OK not yours\r\n" + kImapCaps},
       {"q2 EXAMINE", "* FLAGS (\\Seen)\r\n* OK [UIDNEXT 9] x\r\nq2 OK\r\n"},
       {"q3 UID SEARCH", "* 4 EXPUNGE\r\n* SEARCH 5 8\r\n" + flood + "q3 OK\r\n"},
       {"q4 UID FETCH 5:*",
        "* 2 FETCH (FLAGS ())\r\n* 2 FETCH (UID 5 INTERNALDATE \"06-Dec-2026 12:09:00 +0000\")\r\n"
        "* 9 EXISTS\r\n* 3 FETCH (INTERNALDATE \"06-Dec-2026 12:11:00 +0000\" UID 8)\r\nq4 OK\r\n"},
       {"q5 LOGOUT", "* BYE\r\n"}}));
  const CheckOutcome o = checkAgainst(server, kImap);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.newCount, 1);
}

TEST(HostileServer, EndlessStreamIsBoundedInTotal) {
  ScriptedServer server([](ServerConnection& c) {
    c.send("* OK [CAPABILITY IMAP4rev1] ready\r\n");
    std::string line;
    c.readLine(line);
    c.send(kImapCaps);
    c.readLine(line);
    std::string chunk;
    for (int i = 0; i < 1000; ++i) chunk += "* 1 EXISTS\r\n";
    for (int i = 0; i < 2000 && !c.waitForClose(std::chrono::milliseconds(0)); ++i) c.send(chunk);
  });
  CheckLimits limits = quickLimits();
  limits.maxTotalBytes = 1u << 20;
  EXPECT_EQ(checkAgainst(server, kImap, limits).result, kBadCommandResponse);
}

TEST(HostileServer, ByeInsteadOfAnAnswer) {
  ScriptedServer server(conversation(
      "* OK [CAPABILITY IMAP4rev1] ready\r\n",
      {{"q1 LOGIN", kImapCaps}, {"q2 EXAMINE", "* BYE shutting down\r\n"}}));
  EXPECT_EQ(checkAgainst(server, kImap).result, kBadCommandResponse);
}

TEST(HostileServer, CloseAfterTheAnswerBeforeLogoutKeepsTheCount) {
  ScriptedServer server(conversation(
      "+OK\r\n", {{"USER", "+OK\r\n"}, {"PASS", "+OK\r\n"}, {"STAT", "+OK 0 0\r\n"}}));
  const CheckOutcome o = checkAgainst(server, kPop3);
  EXPECT_EQ(o.result, 0);
  EXPECT_EQ(o.newCount, 0);
}

}  // namespace
}  // namespace vrxmail::testing
