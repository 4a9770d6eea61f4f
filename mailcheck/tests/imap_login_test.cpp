// The IMAP login against servers of our own: the mechanism the server lists, no LOGIN to a
// server that disabled it, 8-bit names never in a quoted string, and a server that fails
// during the login is not taken for a wrong password.
#include <gtest/gtest.h>

#include "result_codes.h"
#include "support/conversation.h"

namespace vrxmail::testing {
namespace {

const std::string kLoggedIn = "OK [CAPABILITY IMAP4rev1] Logged in\r\n";

// After the login: an empty INBOX.
std::vector<Step> emptyInbox(int firstTag) {
  const std::string t = "q" + std::to_string(firstTag);
  const std::string s = "q" + std::to_string(firstTag + 1);
  const std::string l = "q" + std::to_string(firstTag + 2);
  return {{t + " EXAMINE INBOX", t + " OK\r\n"},
          {s + " UID SEARCH", "* SEARCH\r\n" + s + " OK\r\n"},
          {l + " LOGOUT", "* BYE\r\n" + l + " OK\r\n"}};
}

std::vector<Step> then(std::vector<Step> login, const std::vector<Step>& rest) {
  login.insert(login.end(), rest.begin(), rest.end());
  return login;
}

void expectEmptyInbox(const CheckOutcome& o) {
  EXPECT_EQ(o.result, kSuccess);
  EXPECT_EQ(o.newCount, 0);
}

TEST(ImapLogin, LoginDisabledWithoutPlainGetsNoLoginAndACodeOfItsOwn) {
  ScriptedServer server(conversation(
      "* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready\r\n",
      {{"q1 LOGOUT", "* BYE\r\nq1 OK\r\n"}}));
  EXPECT_EQ(checkAgainst(server, kImap).result, kImapLoginDisabled);
}

TEST(ImapLogin, LoginDisabledLearntFromCapabilityWhenTheGreetingListsNone) {
  ScriptedServer server(conversation(
      "* OK ready\r\n",
      {{"q1 CAPABILITY", "* CAPABILITY IMAP4rev1 LOGINDISABLED\r\nq1 OK\r\n"},
       {"q2 LOGOUT", "* BYE\r\nq2 OK\r\n"}}));
  EXPECT_EQ(checkAgainst(server, kImap).result, kImapLoginDisabled);
}

TEST(ImapLogin, PlainWithTheInitialResponseWhereSaslIrIsListed) {
  ScriptedServer server(conversation(
      "* OK [CAPABILITY IMAP4rev1 SASL-IR LOGINDISABLED AUTH=PLAIN] ready\r\n",
      then({{"q1 AUTHENTICATE PLAIN AHUAcA==", "q1 " + kLoggedIn}}, emptyInbox(2))));
  expectEmptyInbox(checkAgainst(server, kImap));
}

TEST(ImapLogin, PlainAnswersTheContinuationAndCancelsASecondOne) {
  ScriptedServer accepted(conversation(
      "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN AUTH=LOGIN] ready\r\n",
      then({{"q1 AUTHENTICATE PLAIN", "+ \r\n"}, {"AHUAcA==", "q1 " + kLoggedIn}},
           emptyInbox(2))));
  expectEmptyInbox(checkAgainst(accepted, kImap));

  ScriptedServer rejected(conversation(
      "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready\r\n",
      {{"q1 AUTHENTICATE PLAIN", "+ \r\n"},
       {"AHUAcA==", "+ more?\r\n"},
       {"*", "q1 BAD Authentication aborted\r\n"},
       {"q2 LOGOUT", "* BYE\r\nq2 OK\r\n"}}));
  EXPECT_EQ(checkAgainst(rejected, kImap).result, kImapLoginRefused);

  ScriptedServer wrong(conversation(
      "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] ready\r\n",
      {{"q1 AUTHENTICATE PLAIN", "q1 NO [AUTHENTICATIONFAILED] Authentication failed.\r\n"},
       {"q2 LOGOUT", "* BYE\r\nq2 OK\r\n"}}));
  EXPECT_EQ(checkAgainst(wrong, kImap).result, kImapLoginRejected);
}

// The native build reads names as ISO 8859-1: 0xE4 is a-umlaut, C3 A4 in UTF-8.
TEST(ImapLogin, EightBitTextGoesAsAUtf8LiteralOrInSasl) {
  ScriptedServer literal(conversation(
      "* OK [CAPABILITY IMAP4rev1] ready\r\n",
      then({{"q1 LOGIN \"u\" {6}", "+ OK\r\n"}, {"p\xC3\xA4ss!", "q1 " + kLoggedIn}},
           emptyInbox(2))));
  expectEmptyInbox(checkAgainstAs(literal, kImap, "u", "p\xE4ss!"));

  ScriptedServer both(conversation(
      "* OK [CAPABILITY IMAP4rev1] ready\r\n",
      then({{"q1 LOGIN {2}", "+ OK\r\n"}, {"\xC3\xA4 {2}", "+ OK\r\n"},
            {"\xC3\xA4", "q1 " + kLoggedIn}},
           emptyInbox(2))));
  expectEmptyInbox(checkAgainstAs(both, kImap, "\xE4", "\xE4"));

  // base64 of NUL "u" NUL "p" C3 A4
  ScriptedServer sasl(conversation(
      "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=PLAIN] ready\r\n",
      then({{"q1 AUTHENTICATE PLAIN AHUAcMOk", "q1 " + kLoggedIn}}, emptyInbox(2))));
  expectEmptyInbox(checkAgainstAs(sasl, kImap, "u", "p\xE4"));
}

TEST(ImapLogin, StatusTextEndingInBracesIsNotALiteral) {
  ScriptedServer server(conversation(
      "* OK [CAPABILITY IMAP4rev1] Server {3}\r\n",
      then({{"q1 LOGIN", "* OK Alert {12}\r\nq1 OK [CAPABILITY IMAP4rev1] Logged in {5}\r\n"}},
           emptyInbox(2))));
  expectEmptyInbox(checkAgainst(server, kImap));
}

TEST(ImapLogin, ByeOrACloseDuringTheLoginIsNoVerdictOnThePassword) {
  ScriptedServer bye(conversation(
      "* OK [CAPABILITY IMAP4rev1] ready\r\n",
      {{"q1 LOGIN", "* BYE Server shutting down\r\n"}}));
  EXPECT_EQ(checkAgainst(bye, kImap).result, kBadCommandResponse);

  ScriptedServer closed([](ServerConnection& c) {
    c.send("* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN SASL-IR] ready\r\n");
    std::string line;
    c.readLine(line);
  });
  EXPECT_EQ(checkAgainst(closed, kImap).result, kBadCommandResponse);

  ScriptedServer pop3([](ServerConnection& c) {
    c.send("+OK ready\r\n");
    std::string line;
    c.readLine(line);
    c.send("+OK\r\n");
    c.readLine(line);
  });
  EXPECT_EQ(checkAgainst(pop3, kPop3).result, kBadCommandResponse);
}

}  // namespace
}  // namespace vrxmail::testing
