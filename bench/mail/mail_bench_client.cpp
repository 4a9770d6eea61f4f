// Times "how many new since T" in-process, so that no process start is counted.
//   mail_bench_client library imap|pop3 HOST-TEXT USER PASSWORD SINCE RUNS [ROOTS.pem]
//     prints "first <median ms> <count>" (every run with empty memories) and "recheck
//     <median ms> <count>" (right after, with the memories of the first check).
//   mail_bench_client login-only imap|pop3 HOST:PORT USER PASSWORD SINCE RUNS [ROOTS.pem]
//     prints "login <median ms> <messages>": the least any check costs, LOGIN, EXAMINE INBOX
//     and LOGOUT (IMAP) or USER, PASS, STAT and QUIT (POP3), the goodbye's answer not
//     waited for, as the library does not wait for it.
//   mail_bench_client bare-pop3 HOST:PORT USER PASSWORD SINCE RUNS [ROOTS.pem]
//     prints "bare <median ms> <count>": STAT, then TOP n 0 from the newest message, stopping
//     at the first one older than SINCE, with nothing remembered; with ROOTS.pem over
//     implicit TLS (OpenSSL straight on the socket, the certificate checked against those
//     roots and the address).
// HOST-TEXT is read as the library reads it (tls:127.0.0.1:N, starttls:..., 127.0.0.1:N is
// plain); with ROOTS.pem, TLS trusts only the roots in that file. SINCE is seconds since
// 1970 UTC. Every run must succeed and find the same count, or the client says why on
// stderr and exits with 1: a failed run is never timed.
#include <arpa/inet.h>
#include <netdb.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "arrival_cache.h"
#include "mailbox_memory.h"
#include "header_dates.h"
#include "host_port.h"
#include "mail_check.h"
#include "server_address.h"
#include "tls_openssl.h"

namespace {

using namespace vrxmail;
using Clock = std::chrono::steady_clock;

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double msSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

int library(const std::string& protocol, const std::string& host, const std::string& roots,
            const CheckJob& base, int runs) {
  CheckJob job = base;
  job.type = protocol == "imap" ? kImap : kPop3;
  const auto address = parseServerAddress(host, job.type);
  if (!address) return 2;
  job.endpoint = address->endpoint;
  job.security = address->security;
  CheckContext shared;
  if (!roots.empty()) shared.secure = tlsTrustingOnly(roots);
  std::vector<double> first;
  std::vector<double> recheck;
  int32_t count = -1;
  {
    // Warm-up, as for every client: the server's caches, not ours.
    ArrivalCache cache;
    MailboxMemory mailboxes;
    CheckContext context = shared;
    context.cache = &cache;
    context.mailboxes = &mailboxes;
    runCheck(job, context);
  }
  for (int i = 0; i < runs; ++i) {
    ArrivalCache cache;
    MailboxMemory mailboxes;
    CheckContext context = shared;
    context.cache = &cache;
    context.mailboxes = &mailboxes;
    Clock::time_point start = Clock::now();
    CheckOutcome o = runCheck(job, context);
    first.push_back(msSince(start));
    if (o.result != 0) {
      std::fprintf(stderr, "check failed: %d\n", o.result);
      return 1;
    }
    if (count >= 0 && o.newCount != count) {
      std::fprintf(stderr, "run %d found %d, the run before %d\n", i, o.newCount, count);
      return 1;
    }
    count = o.newCount;
    start = Clock::now();
    o = runCheck(job, context);
    recheck.push_back(msSince(start));
    if (o.result != 0 || o.newCount != count) {
      std::fprintf(stderr, "re-check gave result %d, count %d (first check %d)\n", o.result,
                   o.newCount, count);
      return 1;
    }
  }
  std::printf("first %.2f %d\n", median(first), count);
  std::printf("recheck %.2f %d\n", median(recheck), count);
  return 0;
}

struct SslContextFree {
  void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
};
struct SslFree {
  void operator()(SSL* s) const { SSL_free(s); }
};

// The plainest client there is: blocking socket, one command at a time; over TLS, OpenSSL
// straight on that socket.
class BareClient {
 public:
  BareClient(const Endpoint& e, const std::string& roots) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    if (::getaddrinfo(e.host.c_str(), std::to_string(e.port).c_str(), &hints, &list) != 0) return;
    fd_ = ::socket(list->ai_family, list->ai_socktype, list->ai_protocol);
    if (::connect(fd_, list->ai_addr, list->ai_addrlen) != 0) {
      ::close(fd_);
      fd_ = -1;
    }
    ::freeaddrinfo(list);
    if (fd_ >= 0 && !roots.empty() && !startTls(e.host, roots)) {
      ::close(fd_);
      fd_ = -1;
    }
  }
  ~BareClient() {
    ssl_.reset();
    if (fd_ >= 0) ::close(fd_);
  }
  bool ok() const { return fd_ >= 0; }
  void send(const std::string& s) {
    if (ssl_) {
      SSL_write(ssl_.get(), s.data(), static_cast<int>(s.size()));
    } else {
      (void)!::write(fd_, s.data(), s.size());
    }
  }
  bool line(std::string& out) {
    for (;;) {
      const std::size_t nl = buf_.find('\n');
      if (nl != std::string::npos) {
        out = buf_.substr(0, nl > 0 && buf_[nl - 1] == '\r' ? nl - 1 : nl);
        buf_.erase(0, nl + 1);
        return true;
      }
      char chunk[65536];
      const ssize_t n = ssl_ ? SSL_read(ssl_.get(), chunk, sizeof chunk)
                             : ::read(fd_, chunk, sizeof chunk);
      if (n <= 0) return false;
      buf_.append(chunk, static_cast<std::size_t>(n));
    }
  }

 private:
  bool startTls(const std::string& host, const std::string& roots) {
    context_.reset(SSL_CTX_new(TLS_client_method()));
    if (!context_ || SSL_CTX_load_verify_locations(context_.get(), roots.c_str(), nullptr) != 1) {
      return false;
    }
    SSL_CTX_set_verify(context_.get(), SSL_VERIFY_PEER, nullptr);
    ssl_.reset(SSL_new(context_.get()));
    if (!ssl_ || X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), host.c_str()) != 1) {
      return false;
    }
    SSL_set_fd(ssl_.get(), fd_);
    return SSL_connect(ssl_.get()) == 1;
  }

  int fd_ = -1;
  std::string buf_;
  std::unique_ptr<SSL_CTX, SslContextFree> context_;
  std::unique_ptr<SSL, SslFree> ssl_;
};

int barePop3(const CheckJob& job, const std::string& roots, int runs) {
  std::vector<double> times;
  int count = 0;
  for (int i = -1; i < runs; ++i) {  // run -1 is the warm-up
    const Clock::time_point start = Clock::now();
    BareClient c(job.endpoint, roots);
    if (!c.ok()) {
      std::fprintf(stderr, "no connection%s\n", roots.empty() ? "" : " over TLS");
      return 1;
    }
    std::string l;
    const auto answer = [&](const char* command) {
      if (c.line(l) && l.rfind("+OK", 0) == 0) return true;
      std::fprintf(stderr, "%s answered: %s\n", command, l.c_str());
      return false;
    };
    if (!answer("greeting")) return 1;
    c.send("USER " + job.user + "\r\n");
    if (!answer("USER")) return 1;
    c.send("PASS " + job.password + "\r\n");
    if (!answer("PASS")) return 1;
    c.send("STAT\r\n");
    if (!answer("STAT")) return 1;
    long n = std::strtol(l.c_str() + 4, nullptr, 10);
    const int before = count;
    count = 0;
    for (; n > 0; --n) {
      c.send("TOP " + std::to_string(n) + " 0\r\n");
      if (!answer("TOP")) return 1;
      std::string headers;
      while (c.line(l) && l != ".") headers += l + "\r\n";
      const auto arrival = arrivalFromHeaders(headers);
      if (arrival && *arrival < job.since) break;
      ++count;
    }
    c.send("QUIT\r\n");
    c.line(l);
    if (i >= 0) times.push_back(msSince(start));
    if (i > -1 && count != before) {
      std::fprintf(stderr, "run %d found %d, the run before %d\n", i, count, before);
      return 1;
    }
  }
  std::printf("bare %.2f %d\n", median(times), count);
  return 0;
}

// The least any check costs: a login, the mailbox's size and the goodbye.
int loginOnly(const std::string& protocol, const CheckJob& job, const std::string& roots,
              int runs) {
  std::vector<double> times;
  long messages = -1;
  for (int i = -1; i < runs; ++i) {  // run -1 is the warm-up
    const Clock::time_point start = Clock::now();
    BareClient c(job.endpoint, roots);
    if (!c.ok()) {
      std::fprintf(stderr, "no connection\n");
      return 1;
    }
    std::string l;
    long found = -1;
    if (protocol == "imap") {
      // Reads to the tagged answer, noting the mailbox's size on the way.
      const auto answer = [&](const std::string& tag) {
        while (c.line(l)) {
          if (l.rfind(tag + " ", 0) == 0) return l.rfind(tag + " OK", 0) == 0;
          const std::size_t exists = l.find(" EXISTS");
          if (l.rfind("* ", 0) == 0 && exists != std::string::npos) {
            found = std::strtol(l.c_str() + 2, nullptr, 10);
          }
        }
        return false;
      };
      if (!c.line(l) || l.rfind("* OK", 0) != 0) return 1;
      c.send("a LOGIN \"" + job.user + "\" \"" + job.password + "\"\r\n");
      if (!answer("a")) return 1;
      c.send("b EXAMINE INBOX\r\n");
      if (!answer("b")) return 1;
      c.send("c LOGOUT\r\n");
    } else {
      const auto ok = [&] { return c.line(l) && l.rfind("+OK", 0) == 0; };
      if (!ok()) return 1;
      c.send("USER " + job.user + "\r\n");
      if (!ok()) return 1;
      c.send("PASS " + job.password + "\r\n");
      if (!ok()) return 1;
      c.send("STAT\r\n");
      if (!ok()) return 1;
      found = std::strtol(l.c_str() + 4, nullptr, 10);
      c.send("QUIT\r\n");
    }
    if (i >= 0) times.push_back(msSince(start));
    if (found < 0 || (messages >= 0 && found != messages)) {
      std::fprintf(stderr, "mailbox size %ld, the run before %ld\n", found, messages);
      return 1;
    }
    messages = found;
  }
  std::printf("login %.2f %ld\n", median(times), messages);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 8 && argc != 9) {
    std::fprintf(stderr, "usage: %s library imap|pop3 | bare-pop3 | login-only imap|pop3 ...\n",
                 argv[0]);
    return 2;
  }
  const std::string mode = argv[1];
  CheckJob job;
  job.user = argv[4];
  job.password = argv[5];
  job.since = std::strtoll(argv[6], nullptr, 10);
  const int runs = std::max(1, std::atoi(argv[7]));
  const std::string roots = argc == 9 ? argv[8] : "";
  if (mode == "library") return library(argv[2], argv[3], roots, job, runs);
  const auto endpoint = parseHostPort(argv[3], 0);
  if (!endpoint) return 2;
  job.endpoint = *endpoint;
  if (mode == "bare-pop3") return barePop3(job, roots, runs);
  if (mode == "login-only") return loginOnly(argv[2], job, roots, runs);
  return 2;
}
