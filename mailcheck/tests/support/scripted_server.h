// A loopback server of our own that plays a script, for answers a real server never gives.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace vrxmail::testing {

// One accepted connection, as the script sees it.
class ServerConnection {
 public:
  explicit ServerConnection(int fd) : fd_(fd) {}
  // A line from the client without its CRLF; false when the client closed or the time is up.
  bool readLine(std::string& line, std::chrono::milliseconds limit = std::chrono::seconds(10));
  void send(const std::string& bytes);
  // Waits until the client closes (or the limit passes); true when it closed.
  bool waitForClose(std::chrono::milliseconds limit = std::chrono::seconds(10));

 private:
  int fd_;
  std::string pending_;
};

class ScriptedServer {
 public:
  using Script = std::function<void(ServerConnection&)>;
  // Accepts one connection (or, with acceptCount, that many in turn) and runs the script on
  // each; the connection closes when the script returns.
  explicit ScriptedServer(Script script, int acceptCount = 1);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  uint16_t port() const { return port_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  int accepted() const { return accepted_; }

 private:
  void serve(int acceptCount);

  Script script_;
  int listener_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  uint16_t port_ = 0;
  std::atomic<int> accepted_{0};
  std::thread thread_;
};

// A listener that never accepts and whose queue is full: connects hang until their time-out.
class BlackHole {
 public:
  BlackHole();
  ~BlackHole();
  BlackHole(const BlackHole&) = delete;
  BlackHole& operator=(const BlackHole&) = delete;
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  uint16_t port() const { return port_; }

 private:
  int listener_ = -1;
  std::vector<int> fillers_;
  uint16_t port_ = 0;
};

}  // namespace vrxmail::testing
