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
#include "session_base.h"

namespace vrxmail {

// What the conversation awaits.
enum class Pop3State {
  greeting, capa, capaData, stls, tlsUpgrade, capaAfterTls, capaAfterTlsData,
  user, pass, stat, uidl, top, topData, list, retr, retrData, quit, done
};

class Pop3Session final : public SessionBase<Pop3State, Pop3State::quit> {
 public:
  // cacheScope tells mailboxes apart in the cache (server and user).
  Pop3Session(std::string user, std::string password, int64_t since, ArrivalCache& cache,
              std::string cacheScope, bool startTls = false);

  void onLine(std::string_view line);
  // The stream is secured: the capabilities are asked again.
  void onTlsStarted();
  int32_t awaitedCommandCode() const override;
  // Headers fetched by this check (TOP commands answered).
  uint32_t headersFetched() const { return headersFetched_; }

 private:
  using State = Pop3State;

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
  void send(const std::string& command);

  ArrivalCache& cache_;
  std::string cacheScope_;
  uint64_t current_ = 0;  // the message number being judged
  int32_t count_ = 0;
  std::string cacheKey_;
  std::string headers_;
  uint32_t headersFetched_ = 0;
  bool hasStls_ = false;
  bool withoutTop_ = false;
  bool withoutUidl_ = false;
  bool headersCut_ = false;
  bool retrieved_ = false;
  bool inBody_ = false;

  uint64_t messages_ = 0;    // as STAT gave them
  std::string statAnswer_;   // "STAT <messages> <octets>"
  std::string mailboxState_; // with the newest message's unique id, once known
};

}  // namespace vrxmail
