// Whole checks over TLS against a private dovecot with certificates of a test root: implicit
// TLS and STARTTLS count; every certificate fault fails with its code before any password.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

#include "check_service.h"
#include "result_codes.h"
#include "sasl_plain.h"
#include "support/check_helpers.h"
#include "support/dovecot.h"
#include "support/test_pki.h"
#include "support/tls_recording.h"

namespace vrxmail::testing {
namespace {

// The password, as it goes in LOGIN or PASS, or inside the SASL PLAIN message.
bool secretIn(const std::string& bytes, const std::string& user) {
  const std::string password = Dovecot::password(user);
  return bytes.find(password) != std::string::npos ||
         bytes.find(saslPlainResponse(user, password)) != std::string::npos;
}

bool loginIn(const std::string& bytes, const std::string& user) {
  for (const char* command : {"LOGIN", "AUTHENTICATE", "USER", "PASS"}) {
    if (bytes.find(command) != std::string::npos) return true;
  }
  return secretIn(bytes, user);
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/vrxmail-pki.XXXXXX";
    if (::mkdtemp(pattern) != nullptr) path_ = pattern;
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The server's log shows no login attempt: its auth process logged nothing, and every
// connection ended with no authentication tried.
void expectNoLoginAttempt(const std::string& log, const std::string& user) {
  EXPECT_EQ(log.find(" auth: "), std::string::npos) << log;
  EXPECT_EQ(log.find("user=<" + user + ">"), std::string::npos) << log;
  std::istringstream lines(log);
  int connections = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.find("-login: ") == std::string::npos) continue;
    ++connections;
    EXPECT_TRUE(line.find("(no auth attempts in ") != std::string::npos ||
                line.find("(disconnected before auth was ready") != std::string::npos)
        << line;
  }
  EXPECT_GT(connections, 0) << log;
}

class DovecotTls : public ::testing::Test {
 protected:
  void startWith(ServerCert cert) {
    ASSERT_FALSE(dir.path().empty());
    std::filesystem::permissions(dir.path(), std::filesystem::perms::owner_all |
                                                 std::filesystem::perms::group_read |
                                                 std::filesystem::perms::group_exec |
                                                 std::filesystem::perms::others_read |
                                                 std::filesystem::perms::others_exec);
    pki = std::make_unique<TestPki>(dir.path());
    ASSERT_EQ(pki->error(), "");
    Dovecot::Options o;
    o.users = 4;
    o.tlsChainFile = pki->chainFile(cert);
    o.tlsKeyFile = pki->keyFile(cert);
    dovecot = std::make_unique<Dovecot>(o);
    ASSERT_EQ(dovecot->error(), "") << "a private dovecot is needed for these tests";
    service = std::make_unique<CheckService>(recordingTlsContext(pki->rootFile(), sent));
  }

  Report check(ServerType type, const std::string& host, const std::string& user,
               const std::string& stamp = "2026/01/01 00:00") {
    return checkThrough(*service, type, host, user, Dovecot::password(user), stamp);
  }

  // No byte of the password left the client, in plain text or inside TLS.
  void expectPasswordNeverSent(const std::string& user) {
    EXPECT_FALSE(secretIn(*sent.wire, user));
    EXPECT_FALSE(loginIn(*sent.secured, user)) << *sent.secured;
    expectNoLoginAttempt(dovecot->log(), user);
  }

  TempDir dir;
  std::unique_ptr<TestPki> pki;
  std::unique_ptr<Dovecot> dovecot;
  SentBytes sent;
  std::unique_ptr<CheckService> service;
};

std::string on(const char* form, const char* host, uint16_t port) {
  return std::string(form) + host + ":" + std::to_string(port);
}

TEST_F(DovecotTls, ImplicitTlsAndStartTlsCountNewMail) {
  ASSERT_NO_FATAL_FAILURE(startWith(ServerCert::good));
  ScopedTimeZone zone("UTC0");
  const int64_t t = minuteAgo(3600);
  const std::string user = dovecot->newUser();
  for (const int64_t at : {t - 86400, t - 1}) {
    dovecot->deliver(user, makeMessage(at, at, "old"), at);
  }
  for (const int64_t at : {t, t + 60, t + 1800}) {
    dovecot->deliver(user, makeMessage(at, at, "new"), at);
  }
  const std::string stamp = localStamp(t);
  struct Way {
    ServerType type;
    std::string host;
  };
  const Way ways[] = {
      {kImap, on("tls:", "127.0.0.1", dovecot->imapsPort())},
      {kPop3, on("tls:", "127.0.0.1", dovecot->pop3sPort())},
      {kImap, on("starttls:", "127.0.0.1", dovecot->imapPort())},
      {kPop3, on("starttls:", "127.0.0.1", dovecot->pop3Port())},
      // A name, not loopback by its text: STARTTLS is required on a port of its own.
      {kImap, on("", "localhost", dovecot->imapPort())},
      {kPop3, on("", "localhost", dovecot->pop3Port())},
  };
  for (const Way& w : ways) {
    sent.wire->clear();
    sent.secured->clear();
    const Report r = check(w.type, w.host, user, stamp);
    EXPECT_EQ(r.result, 0) << w.host;
    EXPECT_EQ(r.newCount, 3) << w.host;
    EXPECT_FALSE(secretIn(*sent.wire, user)) << w.host;
    EXPECT_TRUE(secretIn(*sent.secured, user)) << w.host;
  }
}

TEST_F(DovecotTls, StartTlsAsksForCapabilitiesAgainAfterTheUpgrade) {
  ASSERT_NO_FATAL_FAILURE(startWith(ServerCert::good));
  const std::string user = dovecot->newUser();
  EXPECT_EQ(check(kImap, on("starttls:", "127.0.0.1", dovecot->imapPort()), user).result, 0);
  // Only STARTTLS goes out before the upgrade, then a TLS handshake record.
  const std::string before = "q1 STARTTLS\r\n";
  ASSERT_GT(sent.wire->size(), before.size());
  EXPECT_EQ(sent.wire->substr(0, before.size()), before);
  EXPECT_EQ((*sent.wire)[before.size()], '\x16');
  EXPECT_EQ(sent.secured->rfind("q2 CAPABILITY\r\nq3 AUTHENTICATE PLAIN ", 0), 0u)
      << *sent.secured;
  sent.wire->clear();
  sent.secured->clear();
  EXPECT_EQ(check(kPop3, on("starttls:", "127.0.0.1", dovecot->pop3Port()), user).result, 0);
  EXPECT_EQ(sent.wire->substr(0, 13), "CAPA\r\nSTLS\r\n\x16");
  EXPECT_EQ(sent.secured->rfind("CAPA\r\nUSER " + user + "\r\nPASS ", 0), 0u) << *sent.secured;
}

TEST_F(DovecotTls, AChainThroughAnIntermediateIsTrusted) {
  ASSERT_NO_FATAL_FAILURE(startWith(ServerCert::viaIntermediate));
  const std::string user = dovecot->newUser();
  EXPECT_EQ(check(kImap, on("tls:", "127.0.0.1", dovecot->imapsPort()), user).result, 0);
  EXPECT_EQ(check(kPop3, on("", "localhost", dovecot->pop3Port()), user).result, 0);
}

struct Fault {
  const char* name;
  ServerCert cert;
  int32_t code;
};

class DovecotCertificateFault : public DovecotTls,
                                public ::testing::WithParamInterface<Fault> {};

TEST_P(DovecotCertificateFault, FailsWithItsCodeAndSendsNoPassword) {
  ASSERT_NO_FATAL_FAILURE(startWith(GetParam().cert));
  const std::string user = dovecot->newUser();
  const std::string hosts[] = {
      on("tls:", "127.0.0.1", dovecot->imapsPort()),
      on("starttls:", "localhost", dovecot->imapPort()),
  };
  for (const std::string& host : hosts) {
    EXPECT_EQ(check(kImap, host, user).result, GetParam().code) << host;
  }
  EXPECT_EQ(check(kPop3, on("tls:", "localhost", dovecot->pop3sPort()), user).result,
            GetParam().code);
  EXPECT_EQ(check(kPop3, on("", "localhost", dovecot->pop3Port()), user).result,
            GetParam().code);
  expectPasswordNeverSent(user);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, DovecotCertificateFault,
    ::testing::Values(Fault{"SelfSigned", ServerCert::selfSigned, kCertSelfSigned},
                      Fault{"WrongName", ServerCert::wrongName, kCertNameMismatch},
                      Fault{"Expired", ServerCert::expired, kCertExpired},
                      Fault{"UntrustedRoot", ServerCert::untrustedRoot, kCertUntrustedRoot},
                      Fault{"PartialChain", ServerCert::partialChain, kCertIncompleteChain}),
    [](const ::testing::TestParamInfo<Fault>& info) { return info.param.name; });

TEST(DovecotWithoutTls, StartTlsRequiredButNotOfferedSendsNoPassword) {
  Dovecot::Options o;
  o.users = 1;
  Dovecot dovecot(o);
  ASSERT_EQ(dovecot.error(), "");
  SentBytes sent;
  CheckService service(recordingTlsContext("/nonexistent", sent));
  const std::string user = dovecot.newUser();
  const std::string password = Dovecot::password(user);
  Report r = checkThrough(service, kImap, on("starttls:", "127.0.0.1", dovecot.imapPort()), user,
                          password, "2026/01/01 00:00");
  EXPECT_EQ(r.result, kStartTlsUnavailable);
  r = checkThrough(service, kPop3, on("starttls:", "127.0.0.1", dovecot.pop3Port()), user,
                   password, "2026/01/01 00:00");
  EXPECT_EQ(r.result, kStartTlsUnavailable);
  EXPECT_FALSE(loginIn(*sent.wire, user)) << *sent.wire;
  expectNoLoginAttempt(dovecot.log(), user);
}

}  // namespace
}  // namespace vrxmail::testing
