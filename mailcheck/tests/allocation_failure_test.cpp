// Memory running out inside the library: the start answers non-zero and starts nothing, and
// a check thread that runs out still reports exactly once. An executable of its own, as it
// replaces the global operator new.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "check_service.h"
#include "result_codes.h"
#include "support/report_sink.h"

namespace {

// From the given allocation on (counted on the calling thread), every allocation fails.
thread_local long t_failFrom = -1;
thread_local long t_allocations = 0;

void failAllocationsFrom(long n) {
  t_allocations = 0;
  t_failFrom = n;
}
void allowAllocations() { t_failFrom = -1; }

}  // namespace

void* operator new(std::size_t size) {
  if (t_failFrom >= 0 && t_allocations++ >= t_failFrom) throw std::bad_alloc();
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace vrxmail::testing {
namespace {

void allowThenReport(int32_t newCount, int32_t resultCode) {
  allowAllocations();
  ReportSink::onReport(newCount, resultCode);
}

MailRequest refusedCheck() {
  // Port 1 on loopback refuses at once.
  return MailRequest{kPop3, "127.0.0.1:1", "u", "p", "2026/12/06 12:10", 0, &allowThenReport};
}

TEST(AllocationFailure, TheStartAnswersNonZeroAndStartsNothing) {
  ReportSink::instance().reset();
  CheckService service;
  const MailRequest r = refusedCheck();
  int refusals = 0;
  for (long n = 0;; ++n) {
    int32_t result = -1;
    failAllocationsFrom(n);
    try {
      result = service.start(&r);
    } catch (...) {
      allowAllocations();
      ADD_FAILURE() << "an exception left the start at allocation " << n;
      continue;
    }
    allowAllocations();
    if (result == 0) break;
    EXPECT_EQ(result, kStartNoThread) << "at allocation " << n;
    ++refusals;
    ASSERT_LT(n, 10000);
  }
  EXPECT_GT(refusals, 3);
  const auto report = ReportSink::instance().take();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->result, kWsaConnRefused);
  EXPECT_EQ(ReportSink::instance().delivered(), 1u);  // none for the refused starts
}

TEST(AllocationFailure, ACheckThreadWithoutMemoryStillReportsOnce) {
  for (long n = 0; n < 40; ++n) {
    ReportSink::instance().reset();
    CheckContext context;
    context.connect = [n](const Endpoint&, const IoBounds&, int32_t& error) {
      failAllocationsFrom(n);  // on the check's own thread, until its report
      error = kWsaConnRefused;
      return std::unique_ptr<Transport>();
    };
    CheckService service(context);
    const MailRequest r = refusedCheck();
    ASSERT_EQ(service.start(&r), 0);
    const auto report = ReportSink::instance().take();
    ASSERT_TRUE(report) << "no report with allocation " << n << " failing";
    EXPECT_NE(report->result, 0);
  }
}

}  // namespace
}  // namespace vrxmail::testing
