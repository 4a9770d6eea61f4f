#include "pop3_session.h"

#include <utility>

#include "ascii_text.h"
#include "header_dates.h"
#include "result_codes.h"

namespace vrxmail {
namespace {

constexpr std::size_t kMaxHeaderBytes = 65536;
constexpr std::size_t kMaxUidLength = 70;
constexpr uint64_t kMaxMessages = 100000000;
constexpr uint64_t kMaxRetrieveBytes = 256 * 1024;

bool isOk(std::string_view line) {
  return line.substr(0, 3) == "+OK" && (line.size() == 3 || line[3] == ' ');
}

std::string_view word(std::string_view& s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  std::size_t n = 0;
  while (n < s.size() && s[n] != ' ') ++n;
  const std::string_view w = s.substr(0, n);
  s.remove_prefix(n);
  return w;
}

// What follows the status word ("+OK") of an answer.
std::string_view afterStatus(std::string_view line) {
  word(line);
  return line;
}

bool validUid(std::string_view uid) {
  if (uid.empty() || uid.size() > kMaxUidLength) return false;
  for (const char c : uid) {
    if (c < 0x21 || c > 0x7E) return false;
  }
  return true;
}

}  // namespace

Pop3Session::Pop3Session(std::string user, std::string password, int64_t since,
                         ArrivalCache& cache, std::string cacheScope, bool startTls)
    : SessionBase(std::move(user), std::move(password), since, startTls),
      cache_(cache),
      cacheScope_(std::move(cacheScope)) {}

void Pop3Session::send(const std::string& command) { output_ += command + "\r\n"; }

void Pop3Session::quit() {
  outcome_ = {kSuccess, count_};
  if (memory_ != nullptr && !mailboxState_.empty()) {
    memory_->remember(mailbox_, mailboxState_, since_, count_);
  }
  if (retrieved_) send("RSET");
  send("QUIT");
  state_ = State::quit;
}

int32_t Pop3Session::awaitedCommandCode() const {
  switch (state_) {
    case State::greeting: return kBadCommandResponse;
    case State::capa:
    case State::capaData: return kStartTlsUnavailable;
    case State::stls: return kStartTlsRefused;
    case State::tlsUpgrade: return kTlsHandshakeFailed;
    case State::capaAfterTls:
    case State::capaAfterTlsData: return kBadCommandResponse;
    // A server that hangs up instead of answering has not judged the password.
    case State::user:
    case State::pass: return kBadCommandResponse;
    case State::stat: return kPop3StatFailed;
    case State::uidl: return kPop3UidlFailed;
    case State::top:
    case State::topData:
    case State::retr:
    case State::retrData: return kPop3RetrieveFailed;
    case State::list: return kPop3ListFailed;
    case State::quit: return kSuccess;
    case State::done: return outcome_.result;
  }
  return kBadCommandResponse;
}

void Pop3Session::onLine(std::string_view line) {
  switch (state_) {
    case State::greeting: handleGreeting(line); break;
    case State::capa: handleCapa(line); break;
    case State::capaData: handleCapaData(line); break;
    case State::stls: handleStls(line); break;
    case State::capaAfterTls: handleCapaAfterTls(line); break;
    case State::capaAfterTlsData: handleCapaAfterTlsData(line); break;
    case State::tlsUpgrade: break;
    case State::user: handleUser(line); break;
    case State::pass: handlePass(line); break;
    case State::stat: handleStat(line); break;
    case State::uidl: handleUidl(line); break;
    case State::top: handleTop(line); break;
    case State::topData: handleTopData(line); break;
    case State::list: handleList(line); break;
    case State::retr: handleRetr(line); break;
    case State::retrData: handleRetrData(line); break;
    case State::quit: state_ = State::done; break;
    case State::done: break;
  }
}

void Pop3Session::handleGreeting(std::string_view line) {
  if (!isOk(line)) {
    fail(kBadCommandResponse);
    return;
  }
  if (startTls_) {
    send("CAPA");
    state_ = State::capa;
    return;
  }
  sendUser();
}

void Pop3Session::handleCapa(std::string_view line) {
  if (!isOk(line)) {
    // Without CAPA the server cannot say that it offers STLS.
    fail(kStartTlsUnavailable);
    send("QUIT");
    return;
  }
  hasStls_ = false;
  state_ = State::capaData;
}

void Pop3Session::handleCapaData(std::string_view line) {
  if (line != ".") {
    std::string_view rest = line;
    if (equalsNoCase(word(rest), "STLS")) hasStls_ = true;
    return;
  }
  if (!hasStls_) {
    fail(kStartTlsUnavailable);
    send("QUIT");
    return;
  }
  send("STLS");
  state_ = State::stls;
}

void Pop3Session::handleStls(std::string_view line) {
  if (!isOk(line)) {
    fail(kStartTlsRefused);
    send("QUIT");
    return;
  }
  state_ = State::tlsUpgrade;
}

void Pop3Session::onTlsStarted() {
  if (state_ != State::tlsUpgrade) return;
  send("CAPA");
  state_ = State::capaAfterTls;
}

void Pop3Session::handleCapaAfterTls(std::string_view line) {
  // CAPA is optional; its answer after the upgrade changes nothing this check uses.
  if (isOk(line)) {
    state_ = State::capaAfterTlsData;
  } else {
    sendUser();
  }
}

void Pop3Session::handleCapaAfterTlsData(std::string_view line) {
  if (line == ".") sendUser();
}

void Pop3Session::sendUser() {
  if (!sendable(user_) || !sendable(password_)) {
    fail(kPop3LoginRejected);
    send("QUIT");
    return;
  }
  send("USER " + user_);
  state_ = State::user;
}

void Pop3Session::handleUser(std::string_view line) {
  if (!isOk(line)) {
    fail(kPop3LoginRejected);
    send("QUIT");
    return;
  }
  send("PASS " + password_);
  state_ = State::pass;
}

void Pop3Session::handlePass(std::string_view line) {
  if (!isOk(line)) {
    fail(kPop3LoginRejected);
    send("QUIT");
    return;
  }
  send("STAT");
  state_ = State::stat;
}

void Pop3Session::handleStat(std::string_view line) {
  std::string_view rest = afterStatus(line);
  uint64_t messages = 0;
  uint64_t octets = 0;
  if (!isOk(line) || !parseNumber(word(rest), messages) || !parseNumber(word(rest), octets) ||
      messages > kMaxMessages) {
    fail(kPop3StatFailed);
    send("QUIT");
    return;
  }
  current_ = messages;
  messages_ = messages;
  statAnswer_ = "STAT " + std::to_string(messages) + " " + std::to_string(octets);
  askNext();
}

void Pop3Session::askNext() {
  if (current_ == 0) {
    quit();
    return;
  }
  if (withoutUidl_) {
    askHeaders();
    return;
  }
  send("UIDL " + std::to_string(current_));
  state_ = State::uidl;
}

void Pop3Session::handleUidl(std::string_view line) {
  if (!isOk(line)) {
    // UIDL is optional: without unique ids nothing can be remembered, so every message
    // of this check is judged by its headers.
    withoutUidl_ = true;
    askHeaders();
    return;
  }
  std::string_view rest = afterStatus(line);
  uint64_t number = 0;
  if (!parseNumber(word(rest), number) || number != current_) {
    fail(kPop3UidlFailed);
    send("QUIT");
    return;
  }
  const std::string_view uid = word(rest);
  if (!validUid(uid)) {
    fail(kPop3UidlFailed);
    send("QUIT");
    return;
  }
  // New messages come last: the same count, size and newest message mean the same
  // messages, so the same stamp gets the same count.
  if (number == messages_) {
    mailboxState_ = statAnswer_ + " UIDL ";
    mailboxState_.append(uid.data(), uid.size());
    if (memory_ != nullptr) {
      if (const std::optional<int32_t> count = memory_->answer(mailbox_, mailboxState_, since_)) {
        count_ = *count;
        quit();
        return;
      }
    }
  }
  cacheKey_ = cacheScope_;
  cacheKey_ += '\n';
  cacheKey_.append(uid.data(), uid.size());
  if (const std::optional<int64_t> known = cache_.find(cacheKey_)) {
    judge(*known);
    return;
  }
  askHeaders();
}

void Pop3Session::askHeaders() {
  if (withoutTop_) {
    send("LIST " + std::to_string(current_));
    state_ = State::list;
  } else {
    send("TOP " + std::to_string(current_) + " 0");
    state_ = State::top;
  }
}

void Pop3Session::handleTop(std::string_view line) {
  if (!isOk(line)) {
    // TOP is optional: fall back to the whole message, if it is small enough.
    withoutTop_ = true;
    askHeaders();
    return;
  }
  startHeaders();
  state_ = State::topData;
}

void Pop3Session::startHeaders() {
  headers_.clear();
  headersCut_ = false;
}

void Pop3Session::handleTopData(std::string_view line) {
  if (line == ".") {
    headersEnded();
    return;
  }
  if (!line.empty() && line[0] == '.') line.remove_prefix(1);
  // Past the cap the rest of the block is dropped whole: a folded line kept after a
  // dropped one would continue the wrong field.
  if (headersCut_) return;
  if (headers_.size() + line.size() + 2 > kMaxHeaderBytes) {
    headersCut_ = true;
    return;
  }
  headers_.append(line.data(), line.size());
  headers_ += "\r\n";
}

void Pop3Session::headersEnded() {
  ++headersFetched_;
  const std::optional<int64_t> arrival = arrivalFromHeaders(headers_);
  settle(arrival ? *arrival : ArrivalCache::kUnknown);
}

void Pop3Session::settle(int64_t arrival) {
  if (!withoutUidl_) cache_.store(cacheKey_, arrival);
  judge(arrival);
}

void Pop3Session::handleList(std::string_view line) {
  std::string_view rest = afterStatus(line);
  uint64_t number = 0;
  uint64_t octets = 0;
  if (!isOk(line) || !parseNumber(word(rest), number) || number != current_ ||
      !parseNumber(word(rest), octets)) {
    fail(kPop3ListFailed);
    send("QUIT");
    return;
  }
  if (octets > kMaxRetrieveBytes) {
    // Too big to read for its headers: it has no readable date, like a message without one.
    settle(ArrivalCache::kUnknown);
    return;
  }
  send("RETR " + std::to_string(current_));
  retrieved_ = true;
  state_ = State::retr;
}

void Pop3Session::handleRetr(std::string_view line) {
  if (!isOk(line)) {
    fail(kPop3RetrieveFailed);
    send("RSET");
    send("QUIT");
    return;
  }
  startHeaders();
  inBody_ = false;
  state_ = State::retrData;
}

void Pop3Session::handleRetrData(std::string_view line) {
  if (line == ".") {
    headersEnded();
    return;
  }
  if (inBody_) return;
  if (line.empty()) {
    inBody_ = true;
    return;
  }
  handleTopData(line);
}

void Pop3Session::judge(int64_t arrival) {
  if (arrival != ArrivalCache::kUnknown) {
    if (arrival < since_) {
      quit();
      return;
    }
    if (count_ < INT32_MAX) ++count_;
  }
  // A message without a readable date is not counted and does not end the scan.
  --current_;
  askNext();
}

}  // namespace vrxmail
