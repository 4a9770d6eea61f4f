#include "support/check_helpers.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

#include <gtest/gtest.h>

#include "local_time.h"

namespace vrxmail::testing {

ScopedTimeZone::ScopedTimeZone(const char* tz) {
  if (const char* old = std::getenv("TZ")) {
    had_ = true;
    old_ = old;
  }
  ::setenv("TZ", tz, 1);
  ::tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
  if (had_) {
    ::setenv("TZ", old_.c_str(), 1);
  } else {
    ::unsetenv("TZ");
  }
  ::tzset();
}

std::string localStamp(int64_t epochSeconds) {
  const std::time_t t = static_cast<std::time_t>(epochSeconds);
  std::tm tm{};
  ::localtime_r(&t, &tm);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04d/%02d/%02d %02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min);
  return buf;
}

int64_t minuteAgo(int64_t seconds) {
  const int64_t now = epochNow();
  return now - now % 60 - seconds;
}

Report checkThrough(CheckService& service, ServerType type, const std::string& host,
                    const std::string& user, const std::string& password,
                    const std::string& stamp) {
  ReportSink::instance().reset();
  MailRequest request{type,    host.c_str(), user.c_str(), password.c_str(), stamp.c_str(),
                      0,       &ReportSink::onReport};
  EXPECT_EQ(service.start(&request), 0);
  const std::optional<Report> report = ReportSink::instance().take(std::chrono::seconds(20));
  EXPECT_TRUE(report) << "no report within 20 s";
  return report.value_or(Report{-1, -1, {}});
}

namespace {

class RecordingTransport : public Transport {
 public:
  RecordingTransport(std::unique_ptr<Transport> inner, std::shared_ptr<std::string> sent)
      : inner_(std::move(inner)), sent_(std::move(sent)) {}
  IoResult sendAll(std::string_view data) override {
    sent_->append(data.data(), data.size());
    return inner_->sendAll(data);
  }
  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    return inner_->receiveSome(buffer, capacity);
  }

 private:
  std::unique_ptr<Transport> inner_;
  std::shared_ptr<std::string> sent_;
};

}  // namespace

std::unique_ptr<Transport> recordingTransport(std::unique_ptr<Transport> inner,
                                              std::shared_ptr<std::string> sent) {
  return std::make_unique<RecordingTransport>(std::move(inner), std::move(sent));
}

Connector recordingConnector(std::shared_ptr<std::string> sent) {
  return [sent](const Endpoint& e, const IoBounds& b, int32_t& error) -> std::unique_ptr<Transport> {
    std::unique_ptr<Transport> inner = openTcp(e, b, error);
    if (!inner) return nullptr;
    return std::make_unique<RecordingTransport>(std::move(inner), sent);
  };
}

}  // namespace vrxmail::testing
