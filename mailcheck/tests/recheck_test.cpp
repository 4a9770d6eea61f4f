// Re-checks answered from the mailbox memory: whenever the mailbox or the stamp changed, the
// full check's answer; when nothing did, the remembered one, with no SEARCH, FETCH or TOP on
// the wire.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "civil_time.h"
#include "host_port.h"
#include "mail_check.h"
#include "support/check_helpers.h"
#include "support/conversation.h"
#include "support/dovecot.h"

namespace vrxmail::testing {
namespace {

struct Checked {
  CheckOutcome outcome;
  std::string sent;  // every command the check sent
};

bool sends(const Checked& c, const std::string& command) {
  return c.sent.find(command) != std::string::npos;
}

int timesSent(const Checked& c, const std::string& command) {
  int n = 0;
  for (std::size_t at = c.sent.find(command); at != std::string::npos;
       at = c.sent.find(command, at + 1)) {
    ++n;
  }
  return n;
}

// Checks with memories of their own, as one process keeps them from check to check.
class Memories {
 public:
  Checked check(ServerType type, const std::string& address, const std::string& user,
                const std::string& password, int64_t since) {
    auto record = std::make_shared<std::string>();
    CheckContext context;
    context.limits = quickLimits();
    context.connect = recordingConnector(record);
    context.cache = &cache_;
    context.mailboxes = &mailboxes_;
    CheckJob job;
    job.type = type;
    job.endpoint = *parseHostPort(address, 1);
    job.user = user;
    job.password = password;
    job.since = since;
    const CheckOutcome outcome = runCheck(job, context);
    return {outcome, *record};
  }

 private:
  ArrivalCache cache_;
  MailboxMemory mailboxes_;
};

class DovecotRecheck : public ::testing::Test {
 protected:
  void SetUp() override {
    dovecot = std::make_unique<Dovecot>(Dovecot::Options{});
    ASSERT_EQ(dovecot->error(), "") << "a private dovecot is needed for these tests";
    user = dovecot->newUser();
    t = minuteAgo(3600);
    for (const int64_t at : {t - 86400, t - 600, t - 1}) deliverAt(at);
    for (const int64_t at : {t, t + 300}) deliverAt(at);
  }

  void deliverAt(int64_t arrival) {
    dovecot->deliver(user, makeMessage(arrival, arrival - 30, "at " + std::to_string(arrival)),
                     arrival);
  }

  std::string address(ServerType type) const {
    return type == kImap ? dovecot->imapAddress() : dovecot->pop3Address();
  }

  Checked recheck(ServerType type, int64_t since) {
    return kept.check(type, address(type), user, Dovecot::password(user), since);
  }

  // What a check with empty memories answers.
  int32_t fullCount(ServerType type, int64_t since) {
    Memories fresh;
    const Checked c = fresh.check(type, address(type), user, Dovecot::password(user), since);
    EXPECT_EQ(c.outcome.result, 0);
    return c.outcome.newCount;
  }

  // IMAP searched; POP3 looked past the newest message.
  static bool checkedInFull(ServerType type, const Checked& c) {
    return type == kImap ? sends(c, "UID SEARCH") : timesSent(c, "UIDL ") > 1;
  }

  // A message arrives, one is deleted, the stamp changes: each re-check gives what a check
  // with nothing remembered gives; then an unchanged re-check is answered from memory.
  void changesGetTheFullChecksAnswer(ServerType type) {
    EXPECT_EQ(recheck(type, t).outcome.newCount, 2);

    deliverAt(t + 900);
    Checked c = recheck(type, t);
    EXPECT_TRUE(checkedInFull(type, c)) << c.sent;
    EXPECT_EQ(c.outcome.newCount, 3);
    EXPECT_EQ(c.outcome.newCount, fullCount(type, t));

    dovecot->remove(user, t + 300);
    c = recheck(type, t);
    EXPECT_TRUE(checkedInFull(type, c)) << c.sent;
    EXPECT_EQ(c.outcome.newCount, 2);
    EXPECT_EQ(c.outcome.newCount, fullCount(type, t));

    c = recheck(type, t - 600);
    EXPECT_TRUE(checkedInFull(type, c)) << c.sent;
    EXPECT_EQ(c.outcome.newCount, 4);
    EXPECT_EQ(c.outcome.newCount, fullCount(type, t - 600));

    c = recheck(type, t - 600);
    EXPECT_FALSE(checkedInFull(type, c)) << c.sent;
    EXPECT_EQ(c.outcome.newCount, 4);
  }

  std::unique_ptr<Dovecot> dovecot;
  std::string user;
  int64_t t = 0;
  Memories kept;
};

TEST_F(DovecotRecheck, ImapUnchangedMailboxIsAnsweredAfterExamine) {
  const Checked first = recheck(kImap, t);
  EXPECT_EQ(first.outcome.result, 0);
  EXPECT_EQ(first.outcome.newCount, 2);
  EXPECT_TRUE(sends(first, "UID SEARCH")) << first.sent;
  EXPECT_TRUE(sends(first, "EXAMINE INBOX (CONDSTORE)")) << first.sent;

  const Checked again = recheck(kImap, t);
  EXPECT_EQ(again.outcome.result, 0);
  EXPECT_EQ(again.outcome.newCount, 2);
  EXPECT_TRUE(sends(again, "AUTHENTICATE PLAIN")) << again.sent;  // dovecot lists AUTH=PLAIN
  EXPECT_TRUE(sends(again, "EXAMINE")) << again.sent;
  EXPECT_FALSE(sends(again, "SEARCH")) << again.sent;
  EXPECT_FALSE(sends(again, "FETCH")) << again.sent;
}

TEST_F(DovecotRecheck, ImapChangesGetTheFullChecksAnswer) {
  changesGetTheFullChecksAnswer(kImap);
}

TEST_F(DovecotRecheck, Pop3UnchangedMailboxIsAnsweredAfterTheNewestUidl) {
  const Checked first = recheck(kPop3, t);
  EXPECT_EQ(first.outcome.result, 0);
  EXPECT_EQ(first.outcome.newCount, 2);
  EXPECT_TRUE(sends(first, "TOP ")) << first.sent;

  const Checked again = recheck(kPop3, t);
  EXPECT_EQ(again.outcome.result, 0);
  EXPECT_EQ(again.outcome.newCount, 2);
  EXPECT_TRUE(sends(again, "STAT")) << again.sent;
  EXPECT_FALSE(sends(again, "TOP ")) << again.sent;
  EXPECT_EQ(timesSent(again, "UIDL "), 1) << again.sent;
}

TEST_F(DovecotRecheck, Pop3ChangesGetTheFullChecksAnswer) {
  changesGetTheFullChecksAnswer(kPop3);
}

// Scripted servers that describe their mailboxes alike (2 messages, UIDNEXT 3) and differ in
// UIDVALIDITY, or in nothing at all, while holding different messages.
const char* const kNewArrival = "06-Dec-2026 12:20:00 +0000";
const char* const kOldArrival = "06-Dec-2026 09:00:00 +0000";

std::vector<Step> imapSteps(int uidValidity, const char* firstArrival, bool searched) {
  std::vector<Step> steps = {
      {"q1 LOGIN", "q1 OK [CAPABILITY IMAP4rev1] in\r\n"},
      {"q2 EXAMINE INBOX", "* 2 EXISTS\r\n* OK [UIDVALIDITY " + std::to_string(uidValidity) +
                               "] ok\r\n* OK [UIDNEXT 3] ok\r\nq2 OK [READ-ONLY] done\r\n"}};
  if (searched) {
    steps.push_back({"q3 UID SEARCH SINCE", "* SEARCH 1 2\r\nq3 OK done\r\n"});
    steps.push_back({"q4 UID FETCH 1:*", std::string("* 1 FETCH (UID 1 INTERNALDATE \"") +
                                             firstArrival + "\")\r\n* 2 FETCH (UID 2 INTERNALDATE \"" +
                                             kNewArrival + "\")\r\nq4 OK done\r\n"});
    steps.push_back({"q5 LOGOUT", "* BYE bye\r\nq5 OK done\r\n"});
  } else {
    steps.push_back({"q3 LOGOUT", "* BYE bye\r\nq3 OK done\r\n"});
  }
  return steps;
}

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});

// One server for several checks in turn: its n-th connection plays the n-th script.
ScriptedServer::Script inTurn(std::vector<ScriptedServer::Script> scripts) {
  auto next = std::make_shared<std::atomic<std::size_t>>(0);
  return [scripts, next](ServerConnection& c) {
    const std::size_t n = (*next)++;
    if (n < scripts.size()) scripts[n](c);
  };
}

// Four mailboxes of two messages that their servers describe alike: one checked, then
// re-checked unchanged (answered from memory), then replaced by one whose messages are all
// new; and another server's, whose messages are all new too. `fullWork` is what only a full
// check sends.
struct LookAlikes {
  ServerType type;
  std::string greeting;
  std::vector<Step> checked, unchanged, replaced, otherServers;
  std::string fullWork;
};

void checkLookAlikes(const LookAlikes& m) {
  Memories kept;
  ScriptedServer server(inTurn({conversation(m.greeting, m.checked),
                                conversation(m.greeting, m.unchanged),
                                conversation(m.greeting, m.replaced)}),
                        3);
  Checked c = kept.check(m.type, server.address(), "u", "p", kSince);
  EXPECT_EQ(c.outcome.result, 0);
  EXPECT_EQ(c.outcome.newCount, 1);
  c = kept.check(m.type, server.address(), "u", "p", kSince);
  EXPECT_FALSE(sends(c, m.fullWork)) << c.sent;
  EXPECT_EQ(c.outcome.newCount, 1);
  c = kept.check(m.type, server.address(), "u", "p", kSince);
  EXPECT_TRUE(sends(c, m.fullWork)) << c.sent;
  EXPECT_EQ(c.outcome.newCount, 2);

  ScriptedServer other(conversation(m.greeting, m.otherServers));
  c = kept.check(m.type, other.address(), "u", "p", kSince);
  EXPECT_TRUE(sends(c, m.fullWork)) << c.sent;
  EXPECT_EQ(c.outcome.newCount, 2);
}

TEST(ScriptedRecheck, ImapReplacedMailboxAndAnotherServerAreCheckedInFull) {
  // Replaced: a new UIDVALIDITY with the same count and UIDNEXT.
  checkLookAlikes({kImap, "* OK [CAPABILITY IMAP4rev1] ready\r\n",
                   imapSteps(7, kOldArrival, true), imapSteps(7, kOldArrival, false),
                   imapSteps(8, kNewArrival, true), imapSteps(7, kNewArrival, true), "SEARCH"});
}

TEST(ScriptedRecheck, ImapStatesInDoubtAreNeverAnsweredFromMemory) {
  Memories kept;
  const std::string greeting = "* OK [CAPABILITY IMAP4rev1] ready\r\n";
  std::vector<Step> moving = imapSteps(7, kOldArrival, true);
  moving[2].reply = "* 3 EXISTS\r\n" + moving[2].reply;  // a message arrives during SEARCH
  std::vector<Step> withoutUidNext = imapSteps(7, kOldArrival, true);
  const std::string examined = withoutUidNext[1].reply;
  withoutUidNext[1].reply = examined.substr(0, examined.find("* OK [UIDNEXT")) +
                            examined.substr(examined.find("q2 OK"));
  ScriptedServer server(inTurn({conversation(greeting, moving),
                                conversation(greeting, imapSteps(7, kOldArrival, true)),
                                conversation(greeting, withoutUidNext),
                                conversation(greeting, withoutUidNext)}),
                        4);
  EXPECT_EQ(kept.check(kImap, server.address(), "u", "p", kSince).outcome.result, 0);
  // Described as at the start of the check before, whose answer may be of a later state.
  Checked c = kept.check(kImap, server.address(), "u", "p", kSince);
  EXPECT_TRUE(sends(c, "UID SEARCH")) << c.sent;
  // Without UIDNEXT an arrival cannot be told from no change.
  for (int i = 0; i < 2; ++i) {
    c = kept.check(kImap, server.address(), "u", "p", kSince);
    EXPECT_TRUE(sends(c, "UID SEARCH")) << c.sent;
    EXPECT_EQ(c.outcome.newCount, 1);
  }
}

// A POP3 mailbox of two messages, 300 octets, whose unique ids begin with `ids`; the
// older message arrived at `firstArrival`, the newer one after the stamp.
std::vector<Step> pop3Steps(const std::string& ids, const std::string& firstArrival,
                            bool scanned) {
  std::vector<Step> steps = {{"USER", "+OK\r\n"}, {"PASS", "+OK in\r\n"},
                             {"STAT", "+OK 2 300\r\n"},
                             {"UIDL 2", "+OK 2 " + ids + "-2\r\n"}};
  if (scanned) {
    steps.push_back({"TOP 2 0", "+OK\r\nReceived: by mx; Sun, 06 Dec 2026 12:20:00 +0000\r\n"
                                "\r\n.\r\n"});
    steps.push_back({"UIDL 1", "+OK 1 " + ids + "-1\r\n"});
    steps.push_back({"TOP 1 0", "+OK\r\nReceived: by mx; " + firstArrival + "\r\n\r\n.\r\n"});
  }
  steps.push_back({"QUIT", "+OK bye\r\n"});
  return steps;
}

const char* const kOldDate = "Sun, 06 Dec 2026 09:00:00 +0000";
const char* const kNewDate = "Sun, 06 Dec 2026 12:30:00 +0000";

TEST(ScriptedRecheck, Pop3ReplacedMailboxAndAnotherServerAreCheckedInFull) {
  // Replaced: the same count and size, other unique ids.
  checkLookAlikes({kPop3, "+OK ready\r\n", pop3Steps("a", kOldDate, true),
                   pop3Steps("a", kOldDate, false), pop3Steps("b", kNewDate, true),
                   pop3Steps("a", kNewDate, true), "TOP 1 0"});
}

}  // namespace
}  // namespace vrxmail::testing
