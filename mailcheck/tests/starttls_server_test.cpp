// STARTTLS and TLS against servers of our own: no password to a server that does not offer or
// refuses the upgrade, nor to one that does not speak TLS; time-outs and abort hold during
// the handshake.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <vector>

#include "result_codes.h"
#include "support/conversation.h"
#include "support/scripted_server.h"

namespace vrxmail::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Every line the client sent, kept by a server that answers each from a table.
struct Transcript {
  std::mutex mutex;
  std::vector<std::string> lines;

  // A command word at the start of a line or after an IMAP tag.
  bool anyCommand(const std::string& command) {
    std::lock_guard<std::mutex> lock(mutex);
    for (const std::string& l : lines) {
      const std::size_t space = l.find(' ');
      if (l.rfind(command, 0) == 0 ||
          (space != std::string::npos && l.compare(space + 1, command.size(), command) == 0)) {
        return true;
      }
    }
    return false;
  }
};

struct Answer {
  std::string command;  // the client line begins with this
  std::string reply;
};

ScriptedServer::Script answering(std::string greeting, std::vector<Answer> answers,
                                 std::shared_ptr<Transcript> transcript) {
  return [greeting, answers, transcript](ServerConnection& c) {
    c.send(greeting);
    std::string line;
    while (c.readLine(line)) {
      {
        std::lock_guard<std::mutex> lock(transcript->mutex);
        transcript->lines.push_back(line);
      }
      for (const Answer& a : answers) {
        if (line.rfind(a.command, 0) == 0) {
          c.send(a.reply);
          break;
        }
      }
    }
  };
}

struct Refusal {
  const char* name;
  ServerType type;
  std::string greeting;
  std::vector<Answer> answers;
  int32_t code;
};

std::vector<Refusal> refusals() {
  const Answer logout{"q", "* BYE\r\n"};
  return {
      {"ImapGreetingWithoutStartTls", kImap, "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready\r\n",
       {}, kStartTlsUnavailable},
      {"ImapCapabilityWithoutStartTls", kImap, "* OK ready\r\n",
       {{"q1 CAPABILITY", "* CAPABILITY IMAP4rev1 AUTH=PLAIN LOGIN\r\nq1 OK done\r\n"}},
       kStartTlsUnavailable},
      {"ImapCapabilityRefused", kImap, "* OK ready\r\n", {{"q1 CAPABILITY", "q1 BAD no\r\n"}},
       kStartTlsUnavailable},
      {"ImapStartTlsRefused", kImap, "* OK [CAPABILITY IMAP4rev1 STARTTLS] ready\r\n",
       {{"q1 STARTTLS", "q1 NO [UNAVAILABLE] TLS is down\r\n"}}, kStartTlsRefused},
      {"ImapPreauth", kImap, "* PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] hello\r\n", {},
       kStartTlsUnavailable},
      {"Pop3CapaWithoutStls", kPop3, "+OK ready\r\n",
       {{"CAPA", "+OK\r\nTOP\r\nUSER\r\nSASL PLAIN\r\n.\r\n"}}, kStartTlsUnavailable},
      {"Pop3CapaRefused", kPop3, "+OK ready\r\n", {{"CAPA", "-ERR what?\r\n"}},
       kStartTlsUnavailable},
      {"Pop3StlsRefused", kPop3, "+OK ready\r\n",
       {{"CAPA", "+OK\r\nSTLS\r\nUSER\r\n.\r\n"}, {"STLS", "-ERR not now\r\n"}}, kStartTlsRefused},
  };
}

class StartTlsRefusal : public ::testing::TestWithParam<Refusal> {};

TEST_P(StartTlsRefusal, FailsWithItsCodeAndSendsNoPassword) {
  const Refusal& r = GetParam();
  auto transcript = std::make_shared<Transcript>();
  CheckOutcome o;
  {
    ScriptedServer server(answering(r.greeting, r.answers, transcript));
    o = checkAgainst(server, r.type, quickLimits(), Security::startTls);
  }  // the server has read everything the client sent
  ASSERT_FALSE(transcript->lines.empty());
  EXPECT_EQ(o.result, r.code);
  EXPECT_EQ(o.newCount, 0);
  for (const char* secret : {"LOGIN", "AUTHENTICATE", "USER", "PASS", "APOP"}) {
    EXPECT_FALSE(transcript->anyCommand(secret)) << secret;
  }
  for (const std::string& l : transcript->lines) EXPECT_EQ(l.find("\"p\""), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Servers, StartTlsRefusal, ::testing::ValuesIn(refusals()),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                           return info.param.name;
                         });

milliseconds since(Clock::time_point start) {
  return std::chrono::duration_cast<milliseconds>(Clock::now() - start);
}

TEST(TlsHandshake, AServerThatAnswersInPlainTextGetsNoPassword) {
  auto transcript = std::make_shared<Transcript>();
  ScriptedServer server([transcript](ServerConnection& c) {
    std::string hello;
    c.readLine(hello, milliseconds(2000));  // the ClientHello, cut at any LF in it
    c.send("* OK [CAPABILITY IMAP4rev1] plain text here\r\n");
    c.waitForClose();
  });
  EXPECT_EQ(checkAgainst(server, kImap, quickLimits(), Security::implicitTls).result,
            kTlsHandshakeFailed);
}

TEST(TlsHandshake, SilenceAfterStartTlsTimesOut) {
  for (const ServerType type : {kImap, kPop3}) {
    auto transcript = std::make_shared<Transcript>();
    ScriptedServer server(
        type == kImap
            ? answering("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready\r\n",
                        {{"q1 STARTTLS", "q1 OK Begin TLS negotiation now.\r\n"}}, transcript)
            : answering("+OK ready\r\n",
                        {{"CAPA", "+OK\r\nSTLS\r\n.\r\n"}, {"STLS", "+OK Begin TLS\r\n"}},
                        transcript));
    CheckLimits limits = quickLimits();
    limits.silenceTimeout = milliseconds(300);
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(checkAgainst(server, type, limits, Security::startTls).result, kWsaTimedOut);
    EXPECT_GE(since(start), milliseconds(250));
    EXPECT_LT(since(start), milliseconds(3000));
  }
}

TEST(TlsHandshake, AbortedWhileWaitingForTheServersHello) {
  std::atomic<bool> abort{false};
  Clock::time_point aborted;
  // The client is waiting for the server's part of the handshake once its hello has come.
  ScriptedServer server([&abort, &aborted](ServerConnection& c) {
    std::string hello;
    c.readLine(hello, milliseconds(300));
    aborted = Clock::now();
    abort = true;
    c.waitForClose(milliseconds(10000));
  });
  CheckLimits limits = quickLimits();
  limits.silenceTimeout = milliseconds(30000);
  limits.checkTimeout = milliseconds(60000);
  const CheckOutcome o = checkAgainst(server, kPop3, limits, Security::implicitTls, &abort);
  const milliseconds took = since(aborted);
  // The result says the abort ended the wait; the time only shows it was not the silence
  // (with room for a loaded machine under the sanitizers).
  EXPECT_EQ(o.result, kWsaInterrupted);
  EXPECT_LT(took, milliseconds(10000));
}

}  // namespace
}  // namespace vrxmail::testing
