#include "support/dovecot.h"

#include <arpa/inet.h>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "civil_time.h"

extern char** environ;

namespace vrxmail::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kDovecot = "/usr/sbin/dovecot";
constexpr uid_t kMailUid = 65534;

uint16_t freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

bool answers(uint16_t port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(port);
  const bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(fd);
  return ok;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

uid_t mailUid() { return ::geteuid() == 0 ? kMailUid : ::geteuid(); }

// Without root, dovecot's own processes run as the caller and cannot chroot.
std::string unprivilegedSettings() {
  if (::geteuid() == 0) return "";
  const passwd* user = ::getpwuid(::geteuid());
  const group* userGroup = ::getgrgid(::getegid());
  if (user == nullptr || userGroup == nullptr) return "";
  std::string text = std::string("default_login_user = ") + user->pw_name +
                     "\ndefault_internal_user = " + user->pw_name +
                     "\ndefault_internal_group = " + userGroup->gr_name + "\n";
  for (const char* service : {"anvil", "imap-login", "pop3-login"}) {
    text += std::string("service ") + service + " {\n  chroot =\n}\n";
  }
  return text;
}

}  // namespace

Dovecot::Dovecot(Options options) {
  char pattern[] = "/tmp/vrxmail-dovecot.XXXXXX";
  if (::mkdtemp(pattern) == nullptr) {
    error_ = "cannot make a temporary folder";
    return;
  }
  dir_ = pattern;
  ::chmod(dir_.c_str(), 0755);  // the auth process runs as another user
  for (int attempt = 0; attempt < 3 && master_ < 0; ++attempt) {
    if (!start(options) && attempt == 2) return;
  }
}

bool Dovecot::start(const Options& options) {
  if (::access(kDovecot, X_OK) != 0) {
    error_ = std::string(kDovecot) + " is missing: install dovecot-imapd and dovecot-pop3d";
    return false;
  }
  const bool tls = !options.tlsChainFile.empty() && !options.tlsKeyFile.empty();
  imapPort_ = freePort();
  pop3Port_ = freePort();
  imapsPort_ = tls ? freePort() : 0;
  pop3sPort_ = tls ? freePort() : 0;
  for (const char* sub : {"base", "state", "home"}) fs::create_directories(dir_ + "/" + sub);
  fs::remove(dir_ + "/base/anvil-auth-penalty");
  {
    std::ofstream users(dir_ + "/users");
    for (int i = 1; i <= options.users; ++i) {
      const std::string name = "user" + std::to_string(i);
      const std::string home = dir_ + "/home/" + name;
      users << name << ":{PLAIN}" << password(name) << ":" << mailUid() << ":" << mailUid()
            << "::" << home << "\n";
      for (const char* sub : {"new", "cur", "tmp"}) {
        fs::create_directories(home + "/Maildir/" + sub);
      }
      for (const auto& p : fs::recursive_directory_iterator(home)) {
        (void)!::chown(p.path().c_str(), mailUid(), mailUid());
      }
      (void)!::chown(home.c_str(), mailUid(), mailUid());
    }
    usersMade_ = options.users;
  }
  std::ofstream conf(dir_ + "/dovecot.conf");
  conf << "instance_name = vrxmail-test-" << ::getpid() << "-" << imapPort_ << "\n"
       << "base_dir = " << dir_ << "/base\n"
       << "state_dir = " << dir_ << "/state\n"
       << "log_path = " << dir_ << "/dovecot.log\n"
       << "listen = 127.0.0.1\n"
       << "protocols = imap pop3\n"
       << (tls ? "ssl = yes\nssl_cert = <" + options.tlsChainFile + "\nssl_key = <" +
                     options.tlsKeyFile + "\nssl_min_protocol = TLSv1.2\n"
               : std::string("ssl = no\n"))
       << "auth_verbose = yes\n"
       << "disable_plaintext_auth = no\n"
       << "auth_mechanisms = plain login\n"
       << "auth_failure_delay = 0\n"
       << "mail_location = maildir:~/Maildir\n"
       << "first_valid_uid = 1\n"
       << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << dir_ << "/users\n}\n"
       << "userdb {\n  driver = passwd-file\n  args = " << dir_ << "/users\n}\n"
       << "service imap-login {\n  inet_listener imap {\n    port = " << imapPort_
       << "\n  }\n  inet_listener imaps {\n    port = " << imapsPort_ << "\n  }\n}\n"
       << "service pop3-login {\n  inet_listener pop3 {\n    port = " << pop3Port_
       << "\n  }\n  inet_listener pop3s {\n    port = " << pop3sPort_ << "\n  }\n}\n"
       << "service anvil {\n  unix_listener anvil-auth-penalty {\n    mode = 0\n  }\n}\n"
       << unprivilegedSettings();
  if (options.withoutWithin) {
    conf << "protocol imap {\n  imap_capability = IMAP4rev1 LITERAL+ SASL-IR ID ENABLE IDLE\n}\n";
  }
  conf.close();

  const std::string confPath = dir_ + "/dovecot.conf";
  std::vector<std::string> args = {kDovecot, "-F", "-c", confPath};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::string tz = "TZ=UTC";
  std::string path = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
  char* envp[] = {tz.data(), path.data(), nullptr};
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);
  pid_t pid = -1;
  const int rc = ::posix_spawn(&pid, kDovecot, nullptr, &attr, argv.data(), envp);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) {
    error_ = "cannot start dovecot";
    return false;
  }
  master_ = pid;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(10);
  while (Clock::now() < deadline) {
    int status = 0;
    if (::waitpid(master_, &status, WNOHANG) == master_) {
      master_ = -1;
      error_ = "dovecot ended at start: " + readFile(dir_ + "/dovecot.log");
      return false;
    }
    const bool tlsReady = !tls || (answers(imapsPort_) && answers(pop3sPort_));
    if (answers(imapPort_) && answers(pop3Port_) && tlsReady) {
      error_.clear();
      return true;
    }
    struct timespec pause = {0, 10 * 1000 * 1000};
    ::nanosleep(&pause, nullptr);  // polling for readiness, bounded by the deadline
  }
  error_ = "dovecot did not listen within 10 s: " + readFile(dir_ + "/dovecot.log");
  return false;
}

Dovecot::~Dovecot() {
  if (master_ > 0) {
    // The master and its children share the session started for it.
    ::kill(-master_, SIGKILL);
    int status = 0;
    ::waitpid(master_, &status, 0);
  }
  if (!dir_.empty()) {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }
}

std::string Dovecot::log() const { return readFile(dir_ + "/dovecot.log"); }

std::string Dovecot::newUser() {
  ++usersGiven_;
  if (usersGiven_ > usersMade_) std::abort();  // a test asked for more users than its fixture made
  return "user" + std::to_string(usersGiven_);
}

std::string Dovecot::maildir(const std::string& user) const {
  return dir_ + "/home/" + user + "/Maildir";
}

void Dovecot::deliver(const std::string& user, const std::string& message, int64_t arrival) {
  const std::string name = std::to_string(arrival) + ".M" + std::to_string(++delivered_) +
                           "P" + std::to_string(::getpid()) + ".vrxmail-test";
  const std::string tmp = maildir(user) + "/tmp/" + name;
  {
    std::ofstream out(tmp, std::ios::binary);
    out << message;
  }
  const timeval times[2] = {{static_cast<time_t>(arrival), 0}, {static_cast<time_t>(arrival), 0}};
  ::utimes(tmp.c_str(), times);
  (void)!::chown(tmp.c_str(), mailUid(), mailUid());
  fs::rename(tmp, maildir(user) + "/new/" + name);
}

void Dovecot::remove(const std::string& user, int64_t arrival) {
  const std::string prefix = std::to_string(arrival) + ".";
  for (const char* sub : {"new", "cur"}) {
    for (const auto& e : fs::directory_iterator(maildir(user) + "/" + sub)) {
      if (e.path().filename().string().rfind(prefix, 0) == 0) fs::remove(e.path());
    }
  }
}

std::string Dovecot::mailboxListing(const std::string& user) const {
  std::vector<std::string> names;
  for (const char* sub : {"new", "cur"}) {
    for (const auto& e : fs::directory_iterator(maildir(user) + "/" + sub)) {
      names.push_back(std::string(sub) + "/" + e.path().filename().string());
    }
  }
  std::sort(names.begin(), names.end());
  std::string out;
  for (const std::string& n : names) out += n + "\n";
  return out;
}

std::string mailDateText(int64_t epochSeconds, int zoneMinutes) {
  const CivilTime t = civilFromEpoch(epochSeconds + zoneMinutes * 60);
  const int z = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%d %s %04d %02d:%02d:%02d %c%02d%02d", t.day,
                monthName(t.month), t.year, t.hour, t.minute, t.second,
                zoneMinutes < 0 ? '-' : '+', z / 60, z % 60);
  return buf;
}

std::string makeMessage(int64_t received, int64_t date, const std::string& subject) {
  return "Return-Path: <sender@example.org>\r\n"
         "Received: from relay.example.org by mx.example.org with ESMTP id x1;\r\n"
         "\t" + mailDateText(received, 0) + "\r\n"
         "Received: from origin.example.org by relay.example.org; " + mailDateText(date, 0) + "\r\n"
         "Date: " + mailDateText(date, 0) + "\r\n"
         "From: Sender <sender@example.org>\r\n"
         "To: user@example.org\r\n"
         "Subject: " + subject + "\r\n"
         "\r\n"
         "Body of " + subject + ".\r\n";
}

}  // namespace vrxmail::testing
