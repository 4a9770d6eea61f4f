// Every protocol code, end to end over loopback, from a server of our own.
#include <gtest/gtest.h>

#include "result_codes.h"
#include "support/conversation.h"

namespace vrxmail::testing {
namespace {

struct Case {
  const char* name;
  ServerType type;
  std::string greeting;
  std::vector<Step> steps;
  int32_t code;
};

const char* kImapCaps = "q1 OK [CAPABILITY IMAP4rev1 ESEARCH] Logged in\r\n";

std::vector<Case> cases() {
  return {
      {"ImapGreetingBye", kImap, "* BYE Too many connections\r\n", {}, kBadCommandResponse},
      {"ImapLoginNo", kImap, "* OK [CAPABILITY IMAP4rev1] ready\r\n",
       {{"q1 LOGIN \"u\" \"p\"", "q1 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"},
        {"q2 LOGOUT", "* BYE\r\nq2 OK\r\n"}},
       kImapLoginRejected},
      {"ImapLoginDisabled", kImap, "* OK [CAPABILITY IMAP4rev1 LOGINDISABLED] ready\r\n",
       {{"q1 LOGOUT", "* BYE\r\nq1 OK\r\n"}}, kImapLoginDisabled},
      {"ImapLoginBad", kImap, "* OK [CAPABILITY IMAP4rev1] ready\r\n",
       {{"q1 LOGIN", "q1 BAD Error in IMAP command\r\n"}}, kImapLoginRefused},
      {"ImapExamineNo", kImap, "* OK [CAPABILITY IMAP4rev1] ready\r\n",
       {{"q1 LOGIN", kImapCaps}, {"q2 EXAMINE INBOX", "q2 NO Mailbox doesn't exist\r\n"}},
       kBadCommandResponse},
      {"ImapCapabilityBad", kImap, "* OK [CAPABILITY IMAP4rev1] ready\r\n",
       {{"q1 LOGIN", "q1 OK in\r\n"}, {"q2 CAPABILITY", "q2 BAD no\r\n"}}, kBadCommandResponse},
      {"ImapSearchBad", kImap, "* OK [CAPABILITY IMAP4rev1] ready\r\n",
       {{"q1 LOGIN", kImapCaps},
        {"q2 EXAMINE", "q2 OK\r\n"},
        {"q3 UID SEARCH RETURN (MIN) SINCE 5-Dec-2026", "q3 BAD Invalid search date parameter\r\n"}},
       kImapSearchFailed},
      {"ImapFetchNo", kImap, "* OK [CAPABILITY IMAP4rev1] ready\r\n",
       {{"q1 LOGIN", kImapCaps},
        {"q2 EXAMINE", "q2 OK\r\n"},
        {"q3 UID SEARCH", "* ESEARCH (TAG \"q3\") UID MIN 4\r\nq3 OK\r\n"},
        {"q4 UID FETCH 4:* (UID INTERNALDATE)", "q4 NO [SERVERBUG] oops\r\n"}},
       kImapFetchFailed},
      {"Pop3GreetingErr", kPop3, "-ERR go away\r\n", {}, kBadCommandResponse},
      {"Pop3UserErr", kPop3, "+OK ready\r\n", {{"USER u", "-ERR no\r\n"}}, kPop3LoginRejected},
      {"Pop3PassErr", kPop3, "+OK ready\r\n",
       {{"USER u", "+OK\r\n"}, {"PASS p", "-ERR [AUTH] Authentication failed.\r\n"}},
       kPop3LoginRejected},
      {"Pop3StatBad", kPop3, "+OK ready\r\n",
       {{"USER", "+OK\r\n"}, {"PASS", "+OK\r\n"}, {"STAT", "+OK lots\r\n"}}, kPop3StatFailed},
      {"Pop3UidlBad", kPop3, "+OK ready\r\n",
       {{"USER", "+OK\r\n"}, {"PASS", "+OK\r\n"}, {"STAT", "+OK 2 99\r\n"},
        {"UIDL 2", "+OK 1 abc\r\n"}},
       kPop3UidlFailed},
      {"Pop3RetrErr", kPop3, "+OK ready\r\n",
       {{"USER", "+OK\r\n"}, {"PASS", "+OK\r\n"}, {"STAT", "+OK 2 99\r\n"},
        {"UIDL 2", "+OK 2 abc\r\n"}, {"TOP 2 0", "-ERR unknown command\r\n"},
        {"LIST 2", "+OK 2 50\r\n"}, {"RETR 2", "-ERR no such message\r\n"}},
       kPop3RetrieveFailed},
      {"Pop3ListErr", kPop3, "+OK ready\r\n",
       {{"USER", "+OK\r\n"}, {"PASS", "+OK\r\n"}, {"STAT", "+OK 2 99\r\n"},
        {"UIDL 2", "+OK 2 abc\r\n"}, {"TOP 2 0", "-ERR unknown command\r\n"},
        {"LIST 2", "-ERR no such message\r\n"}},
       kPop3ListFailed},
  };
}

class ResultCode : public ::testing::TestWithParam<Case> {};

TEST_P(ResultCode, FromAServerOfOurOwn) {
  const Case& c = GetParam();
  ScriptedServer server(conversation(c.greeting, c.steps));
  const CheckOutcome o = checkAgainst(server, c.type);
  EXPECT_EQ(o.result, c.code);
  EXPECT_EQ(o.newCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Codes, ResultCode, ::testing::ValuesIn(cases()),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace vrxmail::testing
