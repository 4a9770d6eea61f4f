#include "host_port.h"

#include <gtest/gtest.h>

namespace vrxmail {
namespace {

TEST(HostPort, DefaultPortWithoutOne) {
  const auto e = parseHostPort("mail.example", 143);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "mail.example");
  EXPECT_EQ(e->port, 143);
}

TEST(HostPort, ExplicitPort) {
  const auto e = parseHostPort(" 127.0.0.1:20110 ", 110);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "127.0.0.1");
  EXPECT_EQ(e->port, 20110);
}

TEST(HostPort, Ipv6Forms) {
  auto e = parseHostPort("[::1]:993", 143);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "::1");
  EXPECT_EQ(e->port, 993);
  e = parseHostPort("::1", 143);
  ASSERT_TRUE(e);
  EXPECT_EQ(e->host, "::1");
  EXPECT_EQ(e->port, 143);
}

TEST(HostPort, Rejections) {
  for (const char* bad : {"", "host:", "host:0", "host:65536", "host:12a", ":110", "a b:110",
                          "[::1", "[]:1", "[::1]x",
                          "[mail.example]:1", "[a b::1]",
                          "a b::1", "x:y: z"}) {
    EXPECT_FALSE(parseHostPort(bad, 110)) << bad;
  }
}

}  // namespace
}  // namespace vrxmail
