// The walk over a host's addresses, through sockets of the test's own: which addresses are
// tried, in which order, and what ends the walk.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <map>
#include <vector>

#include "result_codes.h"
#include "tcp_connect.h"

namespace vrxmail {
namespace {

using Clock = std::chrono::steady_clock;

// Its connect is under way at first, and ends with the code it was made with.
class FakeSocket final : public TcpSocket {
 public:
  explicit FakeSocket(int32_t outcome) : outcome_(outcome) {}
  SocketResult startConnect(const addrinfo&) override { return {SocketResult::notYet}; }
  int32_t connectError() override { return outcome_; }
  SocketResult wait(SocketWait, Clock::duration) override { return {}; }
  SocketResult send(const char*, std::size_t size) override { return {SocketResult::done, size}; }
  SocketResult receive(char*, std::size_t) override { return {}; }

 private:
  int32_t outcome_;
};

class FakeSockets final : public SocketLibrary {
 public:
  std::unique_ptr<TcpSocket> open(const addrinfo& address, int32_t&) override {
    opened.push_back(&address);
    return std::make_unique<FakeSocket>(outcomes[&address]);
  }
  int32_t resolveError(int) override { return kWsaHostNotFound; }

  std::map<const addrinfo*, int32_t> outcomes;  // kSuccess where not given
  std::vector<const addrinfo*> opened;
};

class ConnectWalk : public ::testing::Test {
 protected:
  ConnectWalk() {
    for (std::size_t i = 0; i < list.size(); ++i) {
      list[i].ai_family = i % 2 == 0 ? AF_INET : AF_INET6;
      list[i].ai_next = i + 1 < list.size() ? &list[i + 1] : nullptr;
    }
    bounds.checkDeadline = Clock::now() + bounds.limits.checkTimeout;
  }
  std::unique_ptr<Transport> walk(int32_t& error) {
    return connectInOrder(list.data(), bounds, sockets, error);
  }

  // As the resolver listed them: IPv4, IPv6, IPv4, IPv6.
  std::array<addrinfo, 4> list{};
  const addrinfo* const v4a = &list[0];
  const addrinfo* const v6a = &list[1];
  const addrinfo* const v4b = &list[2];
  const addrinfo* const v6b = &list[3];
  IoBounds bounds;
  FakeSockets sockets;
};

TEST_F(ConnectWalk, TriesTheIpv6AddressesFirstAndStopsAtTheOneThatConnects) {
  sockets.outcomes = {{v6a, kWsaConnRefused}, {v6b, kWsaNetUnreachable}};
  int32_t error = -1;
  EXPECT_NE(walk(error), nullptr);
  EXPECT_EQ(error, kSuccess);
  EXPECT_EQ(sockets.opened, (std::vector<const addrinfo*>{v6a, v6b, v4a}));
}

TEST_F(ConnectWalk, WhenEveryAddressFailsTheLastOnesErrorIsReported) {
  sockets.outcomes = {{v6a, kWsaConnRefused}, {v6b, kWsaConnRefused}, {v4a, kWsaConnRefused},
                      {v4b, kWsaHostUnreachable}};
  int32_t error = -1;
  EXPECT_EQ(walk(error), nullptr);
  EXPECT_EQ(error, kWsaHostUnreachable);
  EXPECT_EQ(sockets.opened.size(), 4u);
}

TEST_F(ConnectWalk, AnAbortEndsTheWalkWithoutTryingTheOtherAddresses) {
  std::atomic<bool> abort{true};
  bounds.abort = &abort;
  int32_t error = -1;
  EXPECT_EQ(walk(error), nullptr);
  EXPECT_EQ(error, kWsaInterrupted);
  EXPECT_EQ(sockets.opened, (std::vector<const addrinfo*>{v6a}));
}

TEST_F(ConnectWalk, NoAddressAtAllIsAnUnknownHost) {
  int32_t error = -1;
  EXPECT_EQ(connectInOrder(nullptr, bounds, sockets, error), nullptr);
  EXPECT_EQ(error, kWsaHostNotFound);
}

}  // namespace
}  // namespace vrxmail
