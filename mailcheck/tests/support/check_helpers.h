// Small helpers shared by the tests that run whole checks.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "check_service.h"
#include "mail_check.h"
#include "support/report_sink.h"

namespace vrxmail::testing {

// Sets the process's time zone (a POSIX TZ text) for the life of the object.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz);
  ~ScopedTimeZone();
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::string old_;
  bool had_ = false;
};

// The since-stamp text of an instant in the process's time zone.
std::string localStamp(int64_t epochSeconds);
// The start of the current minute, less the given seconds.
int64_t minuteAgo(int64_t seconds);

// Starts a check through the service and waits for its one report.
Report checkThrough(CheckService& service, ServerType type, const std::string& host,
                    const std::string& user, const std::string& password,
                    const std::string& stamp);

// A connector that also records every byte the client sends.
Connector recordingConnector(std::shared_ptr<std::string> sent);
// Wraps a transport so that everything sent through it is also appended to sent.
std::unique_ptr<Transport> recordingTransport(std::unique_ptr<Transport> inner,
                                              std::shared_ptr<std::string> sent);

}  // namespace vrxmail::testing
