// The STARTTLS (IMAP) and STLS (POP3) steps of both conversations, line by line.
#include <gtest/gtest.h>

#include "civil_time.h"
#include "imap_session.h"
#include "pop3_session.h"
#include "result_codes.h"

namespace vrxmail {
namespace {

const int64_t kSince = epochFromCivil({2026, 12, 6, 12, 10, 0});
int64_t tenMinutesLater() { return kSince + 600; }

class ImapStartTls : public ::testing::Test {
 protected:
  ImapSession session{"user", "secret", kSince, tenMinutesLater, true};

  std::string feed(const std::string& response) {
    session.onResponse(response);
    return session.takeOutput();
  }
  std::string upgraded() {
    EXPECT_TRUE(session.wantsTls());
    session.onTlsStarted();
    EXPECT_FALSE(session.wantsTls());
    return session.takeOutput();
  }
};

TEST_F(ImapStartTls, UpgradesThenAsksAgainThenLogsIn) {
  EXPECT_EQ(feed("* OK [CAPABILITY IMAP4rev1 STARTTLS LOGINDISABLED] ready"), "q1 STARTTLS\r\n");
  EXPECT_FALSE(session.wantsTls());
  EXPECT_EQ(feed("q1 OK Begin TLS negotiation now."), "");
  EXPECT_EQ(upgraded(), "q2 CAPABILITY\r\n");
  EXPECT_EQ(feed("* CAPABILITY IMAP4rev1 AUTH=PLAIN"), "");
  EXPECT_EQ(feed("q2 OK done"), "q3 AUTHENTICATE PLAIN\r\n");
  EXPECT_EQ(feed("+ "), "AHVzZXIAc2VjcmV0\r\n");
}

TEST_F(ImapStartTls, AsksForCapabilitiesWhenTheGreetingHasNone) {
  EXPECT_EQ(feed("* OK ready"), "q1 CAPABILITY\r\n");
  EXPECT_EQ(feed("* CAPABILITY IMAP4rev1 STARTTLS"), "");
  EXPECT_EQ(feed("q1 OK done"), "q2 STARTTLS\r\n");
  EXPECT_EQ(feed("q2 OK go"), "");
  EXPECT_EQ(upgraded(), "q3 CAPABILITY\r\n");
}

TEST_F(ImapStartTls, WhatWasLearntBeforeTheUpgradeIsForgotten) {
  feed("* OK [CAPABILITY IMAP4rev1 STARTTLS WITHIN ESEARCH] ready");
  feed("q1 OK go");
  upgraded();
  feed("* CAPABILITY IMAP4rev1 AUTH=PLAIN");
  feed("q2 OK done");
  EXPECT_EQ(feed("q3 OK Logged in"), "q4 CAPABILITY\r\n");
  feed("* CAPABILITY IMAP4rev1");
  EXPECT_EQ(feed("q4 OK done"), "q5 EXAMINE INBOX\r\n");
  EXPECT_EQ(feed("q5 OK done"), "q6 UID SEARCH SINCE 5-Dec-2026\r\n");
}

TEST_F(ImapStartTls, NotOfferedMeansNoLogin) {
  EXPECT_EQ(feed("* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] ready"), "q1 LOGOUT\r\n");
  ASSERT_TRUE(session.finished());
  EXPECT_EQ(session.outcome().result, kStartTlsUnavailable);
}

TEST_F(ImapStartTls, NotListedAfterAskingMeansNoLogin) {
  feed("* OK ready");
  EXPECT_EQ(feed("* CAPABILITY IMAP4rev1 AUTH=PLAIN"), "");
  EXPECT_EQ(feed("q1 OK done"), "q2 LOGOUT\r\n");
  EXPECT_EQ(session.outcome().result, kStartTlsUnavailable);
}

TEST_F(ImapStartTls, RefusedMeansNoLogin) {
  feed("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready");
  EXPECT_EQ(feed("q1 NO [UNAVAILABLE] not now"), "q2 LOGOUT\r\n");
  EXPECT_EQ(session.outcome().result, kStartTlsRefused);
  EXPECT_FALSE(session.wantsTls());
}

TEST_F(ImapStartTls, APreauthenticatedOpenLineIsRefused) {
  EXPECT_EQ(feed("* PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] welcome"), "q1 LOGOUT\r\n");
  EXPECT_EQ(session.outcome().result, kStartTlsUnavailable);
}

TEST_F(ImapStartTls, ABrokenConnectionWhileUpgradingIsATlsFailure) {
  feed("* OK [CAPABILITY IMAP4rev1 STARTTLS] ready");
  EXPECT_EQ(session.awaitedCommandCode(), kStartTlsRefused);
  feed("q1 OK go");
  EXPECT_EQ(session.awaitedCommandCode(), kTlsHandshakeFailed);
}

class Pop3StartTls : public ::testing::Test {
 protected:
  ArrivalCache cache;
  Pop3Session session{"user", "secret", kSince, cache, "scope", true};

  std::string feed(const std::string& line) {
    session.onLine(line);
    return session.takeOutput();
  }
};

TEST_F(Pop3StartTls, UpgradesThenAsksAgainThenLogsIn) {
  EXPECT_EQ(feed("+OK Dovecot ready."), "CAPA\r\n");
  for (const char* line : {"+OK", "TOP", "UIDL", "STLS", "USER"}) EXPECT_EQ(feed(line), "");
  EXPECT_EQ(feed("."), "STLS\r\n");
  EXPECT_EQ(feed("+OK Begin TLS negotiation now."), "");
  ASSERT_TRUE(session.wantsTls());
  session.onTlsStarted();
  EXPECT_EQ(session.takeOutput(), "CAPA\r\n");
  for (const char* line : {"+OK", "TOP", "USER"}) EXPECT_EQ(feed(line), "");
  EXPECT_EQ(feed("."), "USER user\r\n");
  EXPECT_EQ(feed("+OK"), "PASS secret\r\n");
}

TEST_F(Pop3StartTls, CapaRefusedAfterTheUpgradeStillLogsIn) {
  feed("+OK ready");
  feed("+OK");
  feed("STLS");
  feed(".");
  feed("+OK go");
  session.onTlsStarted();
  session.takeOutput();
  EXPECT_EQ(feed("-ERR unknown command"), "USER user\r\n");
}

TEST_F(Pop3StartTls, NotOfferedMeansNoUserOrPass) {
  feed("+OK ready");
  feed("+OK");
  feed("USER");
  EXPECT_EQ(feed("SASL PLAIN"), "");
  EXPECT_EQ(feed("."), "QUIT\r\n");
  EXPECT_EQ(session.outcome().result, kStartTlsUnavailable);
}

TEST_F(Pop3StartTls, NoCapaMeansNoUserOrPass) {
  feed("+OK ready");
  EXPECT_EQ(feed("-ERR unknown command"), "QUIT\r\n");
  EXPECT_EQ(session.outcome().result, kStartTlsUnavailable);
}

TEST_F(Pop3StartTls, RefusedMeansNoUserOrPass) {
  feed("+OK ready");
  feed("+OK");
  feed("STLS");
  feed(".");
  EXPECT_EQ(feed("-ERR TLS not available"), "QUIT\r\n");
  EXPECT_EQ(session.outcome().result, kStartTlsRefused);
}

}  // namespace
}  // namespace vrxmail
