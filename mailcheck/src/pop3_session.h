// The POP3 conversation of one check (RFC 1939): USER, PASS, STAT, then from the newest
// message backwards UIDL n and, for a message not seen before, TOP n 0, until the first
// message older than the since-time; QUIT. Nothing is deleted. A server without UIDL (it is
// optional) gets TOP alone and nothing is remembered. A server without TOP (optional too)
// gets LIST n and, for a message of at most 256 KiB, RETR n (a bigger one counts as a message
// without a readable date); RSET before QUIT then undoes the read marks. With STLS required
// (RFC 2595): CAPA, STLS, and after the upgrade CAPA again, all before USER; a server that
// does not offer STLS gets no USER or PASS.
// With a mailbox memory, a STAT and a newest message's UIDL that are those of the last full
// check, for the same since-time, are answered from memory: no other message is looked at.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "arrival_cache.h"
#include "check_outcome.h"
#include "mailbox_memory.h"

namespace vrxmail {

class Pop3Session {
 public:
  // cacheScope tells mailboxes apart in the cache (server and user).
  Pop3Session(std::string user, std::string password, int64_t since, ArrivalCache& cache,
              std::string cacheScope, bool startTls = false);

  void onLine(std::string_view line);
  void onConnectionLost();

  std::string takeOutput();
  bool finished() const { return state_ == State::done; }
  // STLS was answered +OK: the stream must be secured before anything else is read or sent.
  bool wantsTls() const { return state_ == State::tlsUpgrade; }
  // The stream is secured: the capabilities are asked again.
  void onTlsStarted();
  CheckOutcome outcome() const { return outcome_; }
  int32_t awaitedCommandCode() const;
  // Answers an unchanged mailbox from memory and remembers the answer of a full check;
  // mailbox names the server, the user and the mailbox.
  void rememberIn(MailboxMemory& memory, std::string mailbox);
  // Headers fetched by this check (TOP commands answered).
  uint32_t headersFetched() const { return headersFetched_; }

 private:
  enum class State {
    greeting, capa, capaData, stls, tlsUpgrade, capaAfterTls, capaAfterTlsData,
    user, pass, stat, uidl, top, topData, list, retr, retrData, quit, done
  };

  void handleGreeting(std::string_view line);
  void handleCapa(std::string_view line);
  void handleCapaData(std::string_view line);
  void handleStls(std::string_view line);
  void handleCapaAfterTls(std::string_view line);
  void handleCapaAfterTlsData(std::string_view line);
  void sendUser();
  void handleUser(std::string_view line);
  void handlePass(std::string_view line);
  void handleStat(std::string_view line);
  void handleUidl(std::string_view line);
  void handleTop(std::string_view line);
  void handleTopData(std::string_view line);
  void handleList(std::string_view line);
  void handleRetr(std::string_view line);
  void handleRetrData(std::string_view line);
  void askHeaders();
  void startHeaders();
  void headersEnded();
  // Remembers the arrival (when the server gives unique ids) and judges it.
  void settle(int64_t arrival);

  void askNext();
  void judge(int64_t arrival);
  void quit();
  void fail(int32_t code);
  void send(const std::string& command);

  std::string user_;
  std::string password_;
  int64_t since_;
  ArrivalCache& cache_;
  std::string cacheScope_;
  State state_ = State::greeting;
  std::string output_;
  CheckOutcome outcome_;
  uint64_t current_ = 0;  // the message number being judged
  int32_t count_ = 0;
  std::string cacheKey_;
  std::string headers_;
  uint32_t headersFetched_ = 0;
  bool startTls_ = false;
  bool hasStls_ = false;
  bool withoutTop_ = false;
  bool withoutUidl_ = false;
  bool headersCut_ = false;
  bool retrieved_ = false;
  bool inBody_ = false;

  MailboxMemory* memory_ = nullptr;
  std::string mailbox_;
  uint64_t messages_ = 0;    // as STAT gave them
  std::string statAnswer_;   // "STAT <messages> <octets>"
  std::string mailboxState_; // with the newest message's unique id, once known
};

}  // namespace vrxmail
