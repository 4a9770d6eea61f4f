#include "server_address.h"

#include <gtest/gtest.h>

#include "cert_faults.h"
#include "result_codes.h"

namespace vrxmail {
namespace {

struct Reading {
  const char* text;
  ServerType type;
  const char* host;
  uint16_t port;
  Security security;
};

class ServerAddressReading : public ::testing::TestWithParam<Reading> {};

TEST_P(ServerAddressReading, HostPortAndSecurity) {
  const Reading& r = GetParam();
  const std::optional<ServerAddress> a = parseServerAddress(r.text, r.type);
  ASSERT_TRUE(a) << r.text;
  EXPECT_EQ(a->endpoint.host, r.host) << r.text;
  EXPECT_EQ(a->endpoint.port, r.port) << r.text;
  EXPECT_EQ(a->security, r.security) << r.text;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, ServerAddressReading,
    ::testing::Values(
        // A host alone: implicit TLS on the protocol's TLS port, loopback or not.
        Reading{"mail.example", kImap, "mail.example", 993, Security::implicitTls},
        Reading{"mail.example", kPop3, "mail.example", 995, Security::implicitTls},
        Reading{"127.0.0.1", kImap, "127.0.0.1", 993, Security::implicitTls},
        // host:port: implicit TLS on 993 and 995 whatever the protocol, else STARTTLS.
        Reading{"mail.example:993", kImap, "mail.example", 993, Security::implicitTls},
        Reading{"mail.example:995", kPop3, "mail.example", 995, Security::implicitTls},
        Reading{"mail.example:143", kImap, "mail.example", 143, Security::startTls},
        Reading{"mail.example:110", kPop3, "mail.example", 110, Security::startTls},
        Reading{"mail.example:2143", kImap, "mail.example", 2143, Security::startTls},
        Reading{"localhost:143", kImap, "localhost", 143, Security::startTls},
        // A loopback address on another port is spoken to plainly.
        Reading{"127.0.0.1:143", kImap, "127.0.0.1", 143, Security::plain},
        Reading{"127.8.9.10:20110", kPop3, "127.8.9.10", 20110, Security::plain},
        Reading{"[::1]:110", kPop3, "::1", 110, Security::plain},
        Reading{"[0:0:0:0:0:0:0:1]:143", kImap, "0:0:0:0:0:0:0:1", 143, Security::plain},
        Reading{"127.0.0.1:993", kImap, "127.0.0.1", 993, Security::implicitTls},
        // Explicit forms on any port, with their own default ports.
        Reading{"tls:mail.example", kImap, "mail.example", 993, Security::implicitTls},
        Reading{"TLS:mail.example:1993", kPop3, "mail.example", 1993, Security::implicitTls},
        Reading{"starttls:mail.example", kImap, "mail.example", 143, Security::startTls},
        Reading{"starttls:mail.example", kPop3, "mail.example", 110, Security::startTls},
        Reading{"starttls:127.0.0.1:20143", kImap, "127.0.0.1", 20143, Security::startTls},
        Reading{"plain:mail.example", kPop3, "mail.example", 110, Security::plain},
        Reading{"plain:mail.example:993", kImap, "mail.example", 993, Security::plain},
        Reading{" tls:[2001:db8::1]:9993 ", kImap, "2001:db8::1", 9993, Security::implicitTls},
        // A host named like a form, with a port.
        Reading{"tls:993", kImap, "tls", 993, Security::implicitTls},
        Reading{"plain:143", kImap, "plain", 143, Security::startTls}));

TEST(ServerAddress, Rejections) {
  for (const char* bad : {"", "tls:", "starttls:", "plain:host:", "tls:host:0", "tls:a b",
                          "tls:[::1", "host:99999"}) {
    EXPECT_FALSE(parseServerAddress(bad, kImap)) << bad;
  }
}

TEST(ServerAddress, LoopbackAddressesOnly) {
  for (const char* yes : {"127.0.0.1", "127.255.255.254", "::1", "0::1", "0:0:0:0:0:0:0:1"}) {
    EXPECT_TRUE(isLoopbackAddress(yes)) << yes;
  }
  for (const char* no : {"localhost", "128.0.0.1", "127.0.0", "127.0.0.1.5", "127.0.0.256",
                         "::", "::2", "1::1", "::ffff:127.0.0.1", "0:0:0:0:0:0:1", "127.0.0.01x"}) {
    EXPECT_FALSE(isLoopbackAddress(no)) << no;
  }
}

TEST(ServerAddress, DescribedInTheExplicitForm) {
  EXPECT_EQ(describe(*parseServerAddress("mail.example", kPop3)), "tls:mail.example:995");
  EXPECT_EQ(describe(*parseServerAddress("mail.example:143", kImap)),
            "starttls:mail.example:143");
  EXPECT_EQ(describe(*parseServerAddress("[::1]:110", kPop3)), "plain:[::1]:110");
}

TEST(CertificateFaults, OneCodeInTheDocumentedOrder) {
  CertFaults f;
  EXPECT_EQ(certificateCode(f), kSuccess);
  f.nameMismatch = true;
  EXPECT_EQ(certificateCode(f), kCertNameMismatch);
  f.expired = true;
  EXPECT_EQ(certificateCode(f), kCertExpired);
  f.invalid = true;
  EXPECT_EQ(certificateCode(f), kCertInvalid);
  f.incompleteChain = true;
  EXPECT_EQ(certificateCode(f), kCertIncompleteChain);
  f.untrustedRoot = true;
  EXPECT_EQ(certificateCode(f), kCertUntrustedRoot);
  f.selfSigned = true;
  EXPECT_EQ(certificateCode(f), kCertSelfSigned);
}

TEST(CertificateFaults, CodesAreDistinctFromEveryOtherCode) {
  const int32_t tls[] = {kTlsHandshakeFailed, kStartTlsUnavailable, kStartTlsRefused,
                         kCertSelfSigned,     kCertUntrustedRoot,   kCertIncompleteChain,
                         kCertInvalid,        kCertExpired,         kCertNameMismatch};
  const int32_t others[] = {kSuccess,          kBadCommandResponse, kImapSearchFailed,
                            kImapFetchFailed,  kImapLoginRejected,  kImapLoginRefused,
                            kPop3RetrieveFailed, kPop3ListFailed,   kPop3UidlFailed,
                            kPop3StatFailed,   kPop3LoginRejected};
  for (std::size_t i = 0; i < std::size(tls); ++i) {
    // Far from the Windows Sockets numbers (10000-11999), negative as the strip shows them.
    EXPECT_LT(tls[i], 0);
    for (std::size_t j = 0; j < std::size(tls); ++j) {
      if (i != j) {
        EXPECT_NE(tls[i], tls[j]);
      }
    }
    for (const int32_t o : others) EXPECT_NE(tls[i], o);
  }
}

}  // namespace
}  // namespace vrxmail
