#include "imap_session.h"

#include <utility>

#include "ascii_text.h"
#include "imap_date.h"
#include "imap_scanner.h"
#include "result_codes.h"
#include "sasl_plain.h"

namespace vrxmail {
namespace {

constexpr int64_t kSecondsPerDay = 86400;
// Covers a difference between the clocks of the server and of this machine.
constexpr int64_t kYoungerMargin = 3600;

bool isAtom(const ImapToken& t, std::string_view text) {
  return t.kind == ImapToken::atom && equalsNoCase(t.text, text);
}

std::string quoted(const std::string& s) {
  std::string out = "\"";
  for (const char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace

ImapSession::ImapSession(std::string user, std::string password, int64_t since,
                         int64_t (*clock)(), bool startTls, ImapPurpose purpose)
    : SessionBase(std::move(user), std::move(password), since, startTls), purpose_(purpose),
      clock_(clock) {}

void ImapSession::send(const std::string& command) {
  tag_ = "q" + std::to_string(nextTag_++);
  output_ += tag_ + " " + command + "\r\n";
}

void ImapSession::logout(int32_t count) {
  outcome_ = {kSuccess, count};
  send("LOGOUT");
  state_ = State::logout;
}

int32_t ImapSession::awaitedCommandCode() const {
  switch (state_) {
    case State::greeting: return kBadCommandResponse;
    case State::tlsCapability: return kStartTlsUnavailable;
    case State::loginCapability: return kBadCommandResponse;
    case State::startTls: return kStartTlsRefused;
    case State::tlsUpgrade: return kTlsHandshakeFailed;
    case State::capabilityAfterTls: return kBadCommandResponse;
    // A server that hangs up instead of answering the login has not judged the password.
    case State::login:
    case State::authenticate: return kBadCommandResponse;
    case State::capability: return kBadCommandResponse;
    case State::examine: return kBadCommandResponse;
    case State::search: return kImapSearchFailed;
    case State::fetch: return kImapFetchFailed;
    case State::idleSent:
    case State::idling:
    case State::doneSent: return kBadCommandResponse;
    case State::logout: return kSuccess;
    case State::done: return outcome_.result;
  }
  return kBadCommandResponse;
}

void ImapSession::onResponse(std::string_view response) {
  if (state_ == State::done) return;
  if (!response.empty() && response[0] == '+' &&
      (state_ == State::login || state_ == State::authenticate)) {
    continueLogin();
    return;
  }
  if (!response.empty() && response[0] == '+' && state_ == State::idleSent) {
    state_ = State::idling;
    return;
  }
  ImapScanner scanner(response);
  const ImapToken first = scanner.next();
  if (isAtom(first, "*")) {
    if (state_ == State::greeting) {
      const ImapToken status = scanner.next();
      handleGreeting(status.kind == ImapToken::atom ? status.text : std::string_view(),
                     scanner.rest());
    } else {
      handleUntagged(scanner.rest());
    }
    return;
  }
  if (state_ == State::greeting) {
    fail(kBadCommandResponse);
    return;
  }
  // Continuation requests and other tags are not ours to answer.
  if (first.kind != ImapToken::atom || first.text != tag_) return;
  const ImapToken statusToken = scanner.next();
  const std::string_view status =
      statusToken.kind == ImapToken::atom ? statusToken.text : std::string_view();
  const std::string_view tail = scanner.rest();
  switch (state_) {
    case State::tlsCapability: handleTlsCapability(status); break;
    case State::loginCapability: handleLoginCapability(status); break;
    case State::startTls: handleStartTls(status); break;
    case State::capabilityAfterTls: handleCapabilityAfterTls(status); break;
    case State::login:
    case State::authenticate: handleLogin(status, tail); break;
    case State::capability: handleCapability(status); break;
    case State::examine: handleExamine(status); break;
    case State::search: handleSearch(status); break;
    case State::fetch: handleFetch(status); break;
    case State::idleSent:
    case State::idling:
    case State::doneSent: handleIdle(status); break;
    case State::logout: state_ = State::done; break;
    case State::greeting:
    case State::tlsUpgrade:
    case State::done: break;
  }
}

void ImapSession::handleGreeting(std::string_view status, std::string_view tail) {
  if (equalsNoCase(status, "OK")) {
    if (!readCapabilityCode(tail)) {
      // How to log in (and whether STARTTLS is offered) depends on the capabilities.
      send("CAPABILITY");
      state_ = startTls_ ? State::tlsCapability : State::loginCapability;
    } else if (startTls_) {
      askForTls();
    } else {
      authenticate();
    }
  } else if (startTls_ && equalsNoCase(status, "PREAUTH")) {
    // Already logged in over an open line: STARTTLS is no longer allowed.
    fail(kStartTlsUnavailable);
    send("LOGOUT");
  } else if (equalsNoCase(status, "PREAUTH")) {
    loginCapabilities_ = readCapabilityCode(tail);
    afterLogin();
  } else {
    fail(kBadCommandResponse);
  }
}

void ImapSession::handleTlsCapability(std::string_view status) {
  if (!equalsNoCase(status, "OK")) {
    fail(kStartTlsUnavailable);
    send("LOGOUT");
    return;
  }
  askForTls();
}

void ImapSession::handleLoginCapability(std::string_view status) {
  if (!equalsNoCase(status, "OK")) {
    fail(kBadCommandResponse);
    send("LOGOUT");
    return;
  }
  authenticate();
}

void ImapSession::askForTls() {
  if (!hasStartTls_) {
    fail(kStartTlsUnavailable);
    send("LOGOUT");
    return;
  }
  send("STARTTLS");
  state_ = State::startTls;
}

void ImapSession::handleStartTls(std::string_view status) {
  if (!equalsNoCase(status, "OK")) {
    fail(kStartTlsRefused);
    send("LOGOUT");
    return;
  }
  state_ = State::tlsUpgrade;
}

void ImapSession::onTlsStarted() {
  if (state_ != State::tlsUpgrade) return;
  hasStartTls_ = false;
  hasWithin_ = false;
  hasEsearch_ = false;
  hasCondstore_ = false;
  hasLoginDisabled_ = false;
  hasAuthPlain_ = false;
  hasSaslIr_ = false;
  hasIdle_ = false;
  send("CAPABILITY");
  state_ = State::capabilityAfterTls;
}

void ImapSession::handleCapabilityAfterTls(std::string_view status) {
  if (!equalsNoCase(status, "OK")) {
    fail(kBadCommandResponse);
    send("LOGOUT");
    return;
  }
  authenticate();
}

// AUTHENTICATE PLAIN (RFC 4616, with the initial response of RFC 4959 where offered) when
// listed; otherwise LOGIN, unless the server refuses it (RFC 3501 LOGINDISABLED).
void ImapSession::authenticate() {
  if (!sendable(user_) || !sendable(password_)) {
    fail(kImapLoginRefused);
    return;
  }
  pendingLines_.clear();
  if (hasAuthPlain_) {
    const std::string response = saslPlainResponse(user_, password_);
    if (hasSaslIr_) {
      send("AUTHENTICATE PLAIN " + response);
    } else {
      send("AUTHENTICATE PLAIN");
      pendingLines_.push_back(response);
    }
    state_ = State::authenticate;
    return;
  }
  if (hasLoginDisabled_) {
    fail(kImapLoginDisabled);
    send("LOGOUT");
    return;
  }
  // Each literal ends a line; the text after it goes when the server asks for it with "+".
  std::string line = "LOGIN";
  bool tagged = false;
  auto endLine = [&]() {
    if (tagged) {
      pendingLines_.push_back(line);
    } else {
      send(line);
      tagged = true;
    }
  };
  for (const std::string* text : {&user_, &password_}) {
    line += ' ';
    // A quoted string holds 7-bit text only; anything else goes as a literal.
    if (isAscii(*text)) {
      line += quoted(*text);
      continue;
    }
    line += "{" + std::to_string(text->size()) + "}";
    endLine();
    line = *text;
  }
  endLine();
  state_ = State::login;
}

void ImapSession::continueLogin() {
  if (!pendingLines_.empty()) {
    output_ += pendingLines_.front() + "\r\n";
    pendingLines_.erase(pendingLines_.begin());
  } else if (state_ == State::authenticate) {
    // PLAIN has one message; a further challenge is cancelled (RFC 3501 6.2.2).
    output_ += "*\r\n";
  }
}

void ImapSession::handleLogin(std::string_view status, std::string_view tail) {
  pendingLines_.clear();
  if (equalsNoCase(status, "OK")) {
    if (readCapabilityCode(tail)) loginCapabilities_ = true;
    afterLogin();
    return;
  }
  fail(equalsNoCase(status, "NO") ? kImapLoginRejected : kImapLoginRefused);
  send("LOGOUT");
}

void ImapSession::afterLogin() {
  if (loginCapabilities_) {
    sendExamine();
  } else {
    send("CAPABILITY");
    state_ = State::capability;
  }
}

void ImapSession::handleCapability(std::string_view status) {
  if (!equalsNoCase(status, "OK")) {
    fail(kBadCommandResponse);
    send("LOGOUT");
    return;
  }
  sendExamine();
}

// CONDSTORE asks the server for the mailbox's highest modification sequence as well.
void ImapSession::sendExamine() {
  if (purpose_ == ImapPurpose::watch && !hasIdle_) {
    idleUnavailable_ = true;
    send("LOGOUT");
    state_ = State::logout;
    return;
  }
  send(hasCondstore_ ? "EXAMINE INBOX (CONDSTORE)" : "EXAMINE INBOX");
  state_ = State::examine;
}

void ImapSession::handleExamine(std::string_view status) {
  if (!equalsNoCase(status, "OK")) {
    fail(kBadCommandResponse);
    send("LOGOUT");
    return;
  }
  if (purpose_ == ImapPurpose::watch) {
    sendIdle();
    return;
  }
  const std::string state = mailboxState();
  if (memory_ != nullptr && !state.empty()) {
    if (const std::optional<int32_t> count = memory_->answer(mailbox_, state, since_)) {
      logout(*count);
      return;
    }
  }
  sendSearch();
}

// Empty unless the server named everything that tells one content of the mailbox from
// another: UIDs are never given twice within one UIDVALIDITY, so the same UIDNEXT and the
// same count mean that no message came and none went.
std::string ImapSession::mailboxState() const {
  if (uidValidity_ == 0 || uidNext_ == 0 || !existsSeen_) return {};
  std::string state = "UIDVALIDITY " + std::to_string(uidValidity_) + " UIDNEXT " +
                      std::to_string(uidNext_) + " EXISTS " + std::to_string(exists_);
  if (highestModseq_ != 0) state += " HIGHESTMODSEQ " + std::to_string(highestModseq_);
  return state;
}

void ImapSession::answered(int32_t count) {
  const std::string state = mailboxState();
  if (memory_ != nullptr && !state.empty() && !mailboxMoved_) {
    memory_->remember(mailbox_, state, since_, count);
  }
  logout(count);
}

// The search only narrows the messages down; the arrival times fetched afterwards decide
// exactly. YOUNGER is measured by the server's clock when it runs the search, so a
// message of the stamp's very minute could fall a second outside an exact age: the age
// carries a margin. The server reads SINCE as a day of its own zone, which may be a day
// behind UTC.
void ImapSession::sendSearch() {
  const int64_t age = clock_() - since_;
  std::string command = "UID SEARCH ";
  if (hasEsearch_) command += "RETURN (MIN) ";
  if (hasWithin_ && age >= 1) {
    command += "YOUNGER " + std::to_string(age + kYoungerMargin);
  } else {
    command += "SINCE " + searchDate(since_ - kSecondsPerDay);
  }
  send(command);
  state_ = State::search;
}

void ImapSession::handleSearch(std::string_view status) {
  if (!equalsNoCase(status, "OK") || searchFailed_ || !searchSeen_) {
    fail(kImapSearchFailed);
    send("LOGOUT");
    return;
  }
  if (searchMin_ == 0) {
    answered(0);
  } else {
    send("UID FETCH " + std::to_string(searchMin_) + ":* (UID INTERNALDATE)");
    state_ = State::fetch;
  }
}

void ImapSession::handleFetch(std::string_view status) {
  if (!equalsNoCase(status, "OK") || fetchFailed_) {
    fail(kImapFetchFailed);
    send("LOGOUT");
    return;
  }
  const std::size_t n = arrivedSince_.size();
  answered(n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n));
}

void ImapSession::handleUntagged(std::string_view response) {
  ImapScanner scanner(response);
  const ImapToken word = scanner.next();
  if (word.kind != ImapToken::atom) return;
  if (equalsNoCase(word.text, "CAPABILITY")) {
    readCapabilities(scanner.rest());
    if (state_ == State::login || state_ == State::authenticate ||
        state_ == State::capability) {
      loginCapabilities_ = true;
    }
  } else if (equalsNoCase(word.text, "OK")) {
    readCapabilityCode(scanner.rest());
    if (state_ == State::examine) readMailboxCode(scanner.rest());
  } else if (equalsNoCase(word.text, "BYE")) {
    if (state_ != State::logout) fail(awaitedCommandCode());
  } else if (state_ == State::search && equalsNoCase(word.text, "SEARCH")) {
    readSearchData(scanner.rest());
  } else if (state_ == State::search && equalsNoCase(word.text, "ESEARCH")) {
    readEsearchData(scanner.rest());
  } else {
    const ImapToken what = scanner.next();
    if (isAtom(what, "EXISTS") || isAtom(what, "EXPUNGE") || isAtom(what, "RECENT")) {
      readMailboxSize(word.text, what.text);
    } else if (state_ == State::fetch && isAtom(what, "FETCH")) {
      readFetchData(word.text, scanner.rest());
    }
  }
}

void ImapSession::readMailboxCode(std::string_view tail) {
  ImapScanner scanner(tail);
  const ImapToken code = scanner.next();
  if (code.kind != ImapToken::atom || code.text.size() < 3 || code.text.front() != '[' ||
      code.text.back() != ']') {
    return;
  }
  const std::string_view inside = code.text.substr(1, code.text.size() - 2);
  const std::size_t space = inside.find(' ');
  if (space == std::string_view::npos) return;
  const std::string_view name = inside.substr(0, space);
  uint64_t value = 0;
  if (!parseNumber(inside.substr(space + 1), value)) return;
  if (equalsNoCase(name, "UIDVALIDITY")) uidValidity_ = value;
  if (equalsNoCase(name, "UIDNEXT")) uidNext_ = value;
  if (equalsNoCase(name, "HIGHESTMODSEQ")) highestModseq_ = value;
}

void ImapSession::readMailboxSize(std::string_view number, std::string_view what) {
  uint64_t value = 0;
  const bool readable = parseNumber(number, value);
  if (state_ == State::examine && readable && equalsNoCase(what, "RECENT")) {
    recent_ = value;
  } else if (state_ == State::examine && readable && equalsNoCase(what, "EXISTS")) {
    exists_ = value;
    existsSeen_ = true;
  } else if (watching()) {
    if (readable) noteMailboxSize(value, what);
  } else if (state_ != State::examine && !equalsNoCase(what, "RECENT")) {
    mailboxMoved_ = true;
  }
}

bool ImapSession::readCapabilityCode(std::string_view tail) {
  ImapScanner scanner(tail);
  const ImapToken code = scanner.next();
  constexpr std::string_view kPrefix = "[CAPABILITY ";
  if (code.kind != ImapToken::atom || code.text.size() < kPrefix.size() + 1 ||
      !equalsNoCase(code.text.substr(0, kPrefix.size()), kPrefix) || code.text.back() != ']') {
    return false;
  }
  readCapabilities(code.text.substr(kPrefix.size(), code.text.size() - kPrefix.size() - 1));
  return true;
}

void ImapSession::readCapabilities(std::string_view list) {
  hasWithin_ = false;
  hasEsearch_ = false;
  hasStartTls_ = false;
  hasCondstore_ = false;
  hasLoginDisabled_ = false;
  hasAuthPlain_ = false;
  hasSaslIr_ = false;
  hasIdle_ = false;
  ImapScanner scanner(list);
  for (ImapToken t = scanner.next(); t.kind == ImapToken::atom; t = scanner.next()) {
    if (equalsNoCase(t.text, "STARTTLS")) hasStartTls_ = true;
    if (equalsNoCase(t.text, "LOGINDISABLED")) hasLoginDisabled_ = true;
    if (equalsNoCase(t.text, "AUTH=PLAIN")) hasAuthPlain_ = true;
    if (equalsNoCase(t.text, "SASL-IR")) hasSaslIr_ = true;
    if (equalsNoCase(t.text, "WITHIN")) hasWithin_ = true;
    if (equalsNoCase(t.text, "ESEARCH")) hasEsearch_ = true;
    if (equalsNoCase(t.text, "CONDSTORE")) hasCondstore_ = true;
    if (equalsNoCase(t.text, "IDLE")) hasIdle_ = true;
  }
}

void ImapSession::readSearchData(std::string_view rest) {
  searchSeen_ = true;
  ImapScanner scanner(rest);
  for (;;) {
    const ImapToken t = scanner.next();
    if (t.kind == ImapToken::end) return;
    if (t.kind == ImapToken::listOpen) {
      // "(MODSEQ n)" closes the list when the server keeps modification sequences.
      if (!isAtom(scanner.next(), "MODSEQ") || scanner.next().kind != ImapToken::atom ||
          scanner.next().kind != ImapToken::listClose) {
        searchFailed_ = true;
      }
      continue;
    }
    uint64_t uid = 0;
    if (t.kind != ImapToken::atom || !parseNumber(t.text, uid) || uid == 0 || uid > UINT32_MAX) {
      searchFailed_ = true;
      return;
    }
    if (searchMin_ == 0 || uid < searchMin_) searchMin_ = uid;
  }
}

void ImapSession::readEsearchData(std::string_view rest) {
  ImapScanner scanner(rest);
  if (scanner.peek().kind == ImapToken::listOpen) {
    scanner.next();
    const ImapToken tagWord = scanner.next();
    const ImapToken tag = scanner.next();
    if (!isAtom(tagWord, "TAG") || (tag.kind != ImapToken::quoted && tag.kind != ImapToken::atom) ||
        scanner.next().kind != ImapToken::listClose) {
      searchFailed_ = true;
      return;
    }
    if (tag.text != tag_) return;  // the answer to someone else's search
  }
  searchSeen_ = true;
  if (isAtom(scanner.peek(), "UID")) scanner.next();
  for (;;) {
    const ImapToken name = scanner.next();
    if (name.kind == ImapToken::end) return;
    if (name.kind != ImapToken::atom) {
      searchFailed_ = true;
      return;
    }
    if (equalsNoCase(name.text, "MIN")) {
      const ImapToken value = scanner.next();
      uint64_t n = 0;
      if (value.kind != ImapToken::atom || !parseNumber(value.text, n) || n > UINT32_MAX) {
        searchFailed_ = true;
        return;
      }
      if (n > 0 && (searchMin_ == 0 || n < searchMin_)) searchMin_ = n;
    } else if (!scanner.skipValue()) {
      searchFailed_ = true;
      return;
    }
  }
}

void ImapSession::readFetchData(std::string_view number, std::string_view rest) {
  uint64_t sequence = 0;
  ImapScanner scanner(rest);
  if (!parseNumber(number, sequence) || scanner.next().kind != ImapToken::listOpen) {
    fetchFailed_ = true;
    return;
  }
  uint64_t uid = 0;
  bool haveDate = false;
  int64_t arrival = 0;
  for (;;) {
    const ImapToken key = scanner.next();
    if (key.kind == ImapToken::listClose) break;
    if (key.kind != ImapToken::atom) {
      fetchFailed_ = true;
      return;
    }
    if (equalsNoCase(key.text, "UID")) {
      const ImapToken value = scanner.next();
      if (value.kind != ImapToken::atom || !parseNumber(value.text, uid) || uid == 0) {
        fetchFailed_ = true;
        return;
      }
    } else if (equalsNoCase(key.text, "INTERNALDATE")) {
      const ImapToken value = scanner.next();
      const std::optional<int64_t> date =
          value.kind == ImapToken::quoted || value.kind == ImapToken::literal
              ? parseInternalDate(value.text)
              : std::nullopt;
      if (!date) {
        fetchFailed_ = true;
        return;
      }
      haveDate = true;
      arrival = *date;
    } else if (!scanner.skipValue()) {
      fetchFailed_ = true;
      return;
    }
  }
  if (!haveDate) return;  // a flag change of another session, not our answer
  if (uid == 0) {
    fetchFailed_ = true;
    return;
  }
  if (arrival >= since_) arrivedSince_.insert(uid);
}

}  // namespace vrxmail
