// The IMAP conversation of one check (RFC 3501, RFC 5032 WITHIN, RFC 4731 ESEARCH):
// the login (AUTHENTICATE PLAIN where listed, else LOGIN unless the server disabled it),
// EXAMINE INBOX, count the messages that arrived at or after the since-time, LOGOUT.
// The user name and password are passed in as they go to the server (UTF-8).
// With STARTTLS required (RFC 3501 6.2.1): the capabilities, STARTTLS, and after the upgrade
// the capabilities again, all before LOGIN; a server that does not offer it gets no LOGIN.
// With a mailbox memory, an EXAMINE that describes the mailbox as the last full check found
// it (UIDVALIDITY, UIDNEXT, EXISTS, and HIGHESTMODSEQ with CONDSTORE, RFC 7162) for the same
// since-time is answered from memory: no SEARCH or FETCH is sent.
// For a watch (RFC 2177): the same login and EXAMINE INBOX, then IDLE instead of the search,
// and in and out of IDLE as the driver asks; new messages are news for the driver to tell.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "session_base.h"

namespace vrxmail {

// What the conversation awaits.
enum class ImapState {
  greeting, tlsCapability, loginCapability, startTls, tlsUpgrade, capabilityAfterTls,
  login, authenticate, capability, examine, search, fetch,
  idleSent,  // IDLE sent, awaiting the continuation request
  idling,
  doneSent,  // DONE sent, awaiting the tagged answer to IDLE
  logout, done
};

// A check counts the new messages; a watch waits in IDLE for them to come.
enum class ImapPurpose { count, watch };

class ImapSession final : public SessionBase<ImapState, ImapState::logout> {
 public:
  // since and now are seconds since 1970 UTC; now is read again when the search is sent.
  ImapSession(std::string user, std::string password, int64_t since, int64_t (*clock)(),
              bool startTls = false, ImapPurpose purpose = ImapPurpose::count);

  // One complete response: a line with any literals inline ("{n}\r\n" and n bytes).
  void onResponse(std::string_view response);
  // The stream is secured: everything learnt before is forgotten and asked again.
  void onTlsStarted();
  int32_t awaitedCommandCode() const override;

  // The watch: what the conversation awaits now.
  ImapState state() const { return state_; }
  // Leaves IDLE (DONE); once the server has answered, IDLE is sent again.
  void leaveIdle();
  // Whether messages came since the last call (a count above the last one seen).
  bool takeNews() { return std::exchange(news_, false); }
  // The server does not list IDLE: LOGOUT was sent and the watch has nothing to wait for.
  bool idleUnavailable() const { return idleUnavailable_; }

 private:
  using State = ImapState;

  void handleGreeting(std::string_view status, std::string_view tail);
  void handleLogin(std::string_view status, std::string_view tail);
  void handleCapability(std::string_view status);
  void handleTlsCapability(std::string_view status);
  void handleLoginCapability(std::string_view status);
  void handleStartTls(std::string_view status);
  void handleCapabilityAfterTls(std::string_view status);
  void askForTls();
  void handleExamine(std::string_view status);
  void handleSearch(std::string_view status);
  void handleFetch(std::string_view status);
  void handleIdle(std::string_view status);
  void sendIdle();
  bool watching() const;
  void noteMailboxSize(uint64_t value, std::string_view what);

  void handleUntagged(std::string_view response);
  void readSearchData(std::string_view rest);
  void readEsearchData(std::string_view rest);
  void readFetchData(std::string_view number, std::string_view rest);
  bool readCapabilityCode(std::string_view tail);
  void readCapabilities(std::string_view list);
  void readMailboxCode(std::string_view tail);
  void readMailboxSize(std::string_view number, std::string_view what);
  std::string mailboxState() const;

  void send(const std::string& command);
  void sendExamine();
  void authenticate();
  // A continuation request during the login: the next line of the login, if any.
  void continueLogin();
  void sendSearch();
  void afterLogin();
  void answered(int32_t count);
  void logout(int32_t count);

  const ImapPurpose purpose_;
  int64_t (*clock_)();
  std::string tag_;
  unsigned nextTag_ = 1;

  bool hasStartTls_ = false;
  bool hasWithin_ = false;
  bool hasEsearch_ = false;
  bool hasLoginDisabled_ = false;
  bool hasAuthPlain_ = false;
  bool hasSaslIr_ = false;
  bool hasIdle_ = false;
  // Lines of the login still to send, each after a continuation request.
  std::vector<std::string> pendingLines_;
  bool loginCapabilities_ = false;
  bool searchFailed_ = false;
  bool searchSeen_ = false;
  bool fetchFailed_ = false;
  uint64_t searchMin_ = 0;
  std::set<uint64_t> arrivedSince_;

  bool hasCondstore_ = false;
  uint64_t uidValidity_ = 0;
  uint64_t uidNext_ = 0;
  uint64_t exists_ = 0;
  bool existsSeen_ = false;
  uint64_t highestModseq_ = 0;
  // A message came or went after EXAMINE: the answer is not the one of the state it described.
  bool mailboxMoved_ = false;

  uint64_t recent_ = 0;
  bool existsRose_ = false;  // since the last RECENT
  bool news_ = false;
  bool idleUnavailable_ = false;
};

}  // namespace vrxmail
