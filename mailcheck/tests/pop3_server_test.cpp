// POP3 servers that leave out the optional commands or send outsize headers still get a
// count, whatever the newest message is.
#include <gtest/gtest.h>

#include "result_codes.h"
#include "support/conversation.h"

namespace vrxmail::testing {
namespace {

std::string topAnswer(const std::string& headers) { return "+OK\r\n" + headers + "\r\n.\r\n"; }

std::string received(const char* date) { return "Received: by mx; " + std::string(date); }

TEST(Pop3Server, WithoutUidlTheScanUsesTopAlone) {
  ScriptedServer server(conversation(
      "+OK ready\r\n",
      {{"USER u", "+OK\r\n"},
       {"PASS p", "+OK\r\n"},
       {"STAT", "+OK 3 300\r\n"},
       {"UIDL 3", "-ERR Unknown command\r\n"},
       {"TOP 3 0", topAnswer(received("Sun, 6 Dec 2026 12:30:00 +0000"))},
       {"TOP 2 0", topAnswer(received("Sun, 6 Dec 2026 12:15:00 +0000"))},
       {"TOP 1 0", topAnswer(received("Sun, 6 Dec 2026 11:00:00 +0000"))},
       {"QUIT", "+OK\r\n"}}));
  const CheckOutcome o = checkAgainst(server, kPop3);
  EXPECT_EQ(o.result, kSuccess);
  EXPECT_EQ(o.newCount, 2);
}

TEST(Pop3Server, WithoutTopANewestMessageTooBigToReadIsPassedOver) {
  ScriptedServer server(conversation(
      "+OK ready\r\n",
      {{"USER u", "+OK\r\n"},
       {"PASS p", "+OK\r\n"},
       {"STAT", "+OK 3 900000\r\n"},
       {"UIDL 3", "+OK 3 c\r\n"},
       {"TOP 3 0", "-ERR Unknown command\r\n"},
       {"LIST 3", "+OK 3 800000\r\n"},
       {"UIDL 2", "+OK 2 b\r\n"},
       {"LIST 2", "+OK 2 100\r\n"},
       {"RETR 2", topAnswer(received("Sun, 6 Dec 2026 12:30:00 +0000") + "\r\n\r\nbody")},
       {"UIDL 1", "+OK 1 a\r\n"},
       {"LIST 1", "+OK 1 100\r\n"},
       {"RETR 1", topAnswer(received("Sun, 6 Dec 2026 11:00:00 +0000"))},
       {"RSET", "+OK\r\n"},
       {"QUIT", "+OK\r\n"}}));
  const CheckOutcome o = checkAgainst(server, kPop3);
  EXPECT_EQ(o.result, kSuccess);
  EXPECT_EQ(o.newCount, 1);
}

// The top Received: field has its date on a folded line that comes after the cap; kept,
// it would continue the field and give the message an old date that ends the scan.
TEST(Pop3Server, AFoldedLinePastTheHeaderCapDoesNotContinueAnEarlierField) {
  const std::string outsize = "X-Filler: " + std::string(65200, 'f') + "\r\n" +
                              "Received: from a by b\r\n" + "X-Trace: " +
                              std::string(600, 't') + "\r\n" +
                              "\t; Sun, 6 Dec 2026 09:00:00 +0000";
  ScriptedServer server(conversation(
      "+OK ready\r\n",
      {{"USER u", "+OK\r\n"},
       {"PASS p", "+OK\r\n"},
       {"STAT", "+OK 2 70000\r\n"},
       {"UIDL 2", "+OK 2 b\r\n"},
       {"TOP 2 0", topAnswer(outsize)},
       {"UIDL 1", "+OK 1 a\r\n"},
       {"TOP 1 0", topAnswer(received("Sun, 6 Dec 2026 12:30:00 +0000"))},
       {"QUIT", "+OK\r\n"}}));
  const CheckOutcome o = checkAgainst(server, kPop3);
  EXPECT_EQ(o.result, kSuccess);
  EXPECT_EQ(o.newCount, 1);
}

}  // namespace
}  // namespace vrxmail::testing
