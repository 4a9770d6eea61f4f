// A host with several addresses: IPv6 before IPv4, and an address that never answers does
// not fail the check while another one, tried within the connect bound, does answer.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <gtest/gtest.h>

#include <chrono>

#include "arrival_cache.h"
#include "connect_order.h"
#include "mail_check.h"
#include "result_codes.h"
#include "support/conversation.h"
#include "support/scripted_server.h"
#include "tcp_connect.h"

namespace vrxmail::testing {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Resolved addresses of loopback ports, in the order given, as a resolver would list them.
class LoopbackAddresses {
 public:
  explicit LoopbackAddresses(std::vector<uint16_t> ports)
      : socks_(ports.size()), infos_(ports.size()) {
    for (std::size_t i = 0; i < ports.size(); ++i) {
      socks_[i].sin_family = AF_INET;
      socks_[i].sin_port = htons(ports[i]);
      socks_[i].sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      infos_[i].ai_family = AF_INET;
      infos_[i].ai_socktype = SOCK_STREAM;
      infos_[i].ai_protocol = IPPROTO_TCP;
      infos_[i].ai_addr = reinterpret_cast<sockaddr*>(&socks_[i]);
      infos_[i].ai_addrlen = sizeof(sockaddr_in);
      infos_[i].ai_next = i + 1 < ports.size() ? &infos_[i + 1] : nullptr;
    }
  }
  const addrinfo* list() const { return infos_.data(); }

 private:
  std::vector<sockaddr_in> socks_;
  std::vector<addrinfo> infos_;
};

CheckOutcome checkThrough(const LoopbackAddresses& addresses, const CheckLimits& limits) {
  ArrivalCache cache;
  CheckContext context;
  context.limits = limits;
  context.cache = &cache;
  context.connect = [&addresses](const Endpoint&, const IoBounds& bounds, int32_t& error) {
    return openTcpTo(addresses.list(), bounds, error);
  };
  CheckJob job;
  job.type = kPop3;
  job.endpoint = {"mail.example", 110};
  job.user = "u";
  job.password = "p";
  return runCheck(job, context);
}

TEST(ConnectOrder, AnAddressThatNeverAnswersLeavesTimeForTheNext) {
  BlackHole hole;
  ScriptedServer server(conversation(
      "+OK ready\r\n", {{"USER u", "+OK\r\n"}, {"PASS p", "+OK\r\n"}, {"STAT", "+OK 0 0\r\n"}}));
  const LoopbackAddresses addresses({hole.port(), server.port()});
  CheckLimits limits = quickLimits();
  limits.connectTimeout = milliseconds(1000);
  const Clock::time_point start = Clock::now();
  const CheckOutcome o = checkThrough(addresses, limits);
  const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  EXPECT_EQ(o.result, kSuccess);
  EXPECT_GE(took, milliseconds(400));  // the silent address had its share of the bound
  EXPECT_LT(took, milliseconds(3000));
}

TEST(ConnectOrder, TheWholeConnectStaysWithinItsBound) {
  BlackHole first;
  BlackHole second;
  const LoopbackAddresses addresses({first.port(), second.port()});
  CheckLimits limits = quickLimits();
  limits.connectTimeout = milliseconds(600);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(checkThrough(addresses, limits).result, kWsaTimedOut);
  const auto took = std::chrono::duration_cast<milliseconds>(Clock::now() - start);
  EXPECT_GE(took, milliseconds(550));
  EXPECT_LT(took, milliseconds(2500));
}

struct FakeAddress {
  int ai_family;
  const FakeAddress* ai_next;
};

TEST(ConnectOrder, Ipv6AddressesFirstEachFamilyInTheResolversOrder) {
  const FakeAddress v4b{4, nullptr};
  const FakeAddress v6b{6, &v4b};
  const FakeAddress v4a{4, &v6b};
  const FakeAddress v6a{6, &v4a};
  const std::vector<const FakeAddress*> order = connectOrder(&v4a, 6);
  EXPECT_EQ(order, (std::vector<const FakeAddress*>{&v6b, &v4a, &v4b}));
  EXPECT_EQ(connectOrder(&v6a, 6), (std::vector<const FakeAddress*>{&v6a, &v6b, &v4a, &v4b}));
}

TEST(ConnectOrder, TheTimeLeftIsSharedAmongTheAddressesLeft) {
  const Clock::time_point now{};
  const Clock::time_point deadline = now + milliseconds(30000);
  EXPECT_EQ(attemptDeadline(now, deadline, 3), now + milliseconds(10000));
  EXPECT_EQ(attemptDeadline(now, deadline, 1), deadline);
  EXPECT_EQ(attemptDeadline(deadline + milliseconds(1), deadline, 2), deadline);
}

}  // namespace
}  // namespace vrxmail::testing
