// A private dovecot for the tests: its own config, users and maildirs in a temporary folder,
// IMAP and POP3 on free loopback ports, killed with its whole process group at the end.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace vrxmail::testing {

class Dovecot {
 public:
  struct Options {
    // Advertise a capability list without WITHIN and ESEARCH after login.
    bool withoutWithin = false;
    int users = 12;
    // With both set: TLS (STARTTLS on the plain ports, and the implicit TLS ports opened).
    std::string tlsChainFile;
    std::string tlsKeyFile;
  };

  explicit Dovecot(Options options);
  ~Dovecot();
  Dovecot(const Dovecot&) = delete;
  Dovecot& operator=(const Dovecot&) = delete;

  // Empty when running; otherwise why it is not.
  const std::string& error() const { return error_; }
  std::string imapAddress() const { return "127.0.0.1:" + std::to_string(imapPort_); }
  std::string pop3Address() const { return "127.0.0.1:" + std::to_string(pop3Port_); }
  uint16_t imapPort() const { return imapPort_; }
  uint16_t pop3Port() const { return pop3Port_; }
  uint16_t imapsPort() const { return imapsPort_; }
  uint16_t pop3sPort() const { return pop3sPort_; }
  // The server's log so far (with every login attempt in it).
  std::string log() const;

  // A user of its own with an empty mailbox; the password is password(user).
  std::string newUser();
  static std::string password(const std::string& user) { return "pw-" + user; }

  // Puts a message in the user's maildir with the given arrival time (INTERNALDATE).
  void deliver(const std::string& user, const std::string& message, int64_t arrival);
  // Takes the message delivered with that arrival time out of the user's maildir, as
  // another client's expunge would.
  void remove(const std::string& user, int64_t arrival);
  // File names in the user's maildir "new" and "cur" folders.
  std::string mailboxListing(const std::string& user) const;

 private:
  bool start(const Options& options);
  std::string maildir(const std::string& user) const;

  std::string dir_;
  std::string error_;
  pid_t master_ = -1;
  uint16_t imapPort_ = 0;
  uint16_t pop3Port_ = 0;
  uint16_t imapsPort_ = 0;
  uint16_t pop3sPort_ = 0;
  int usersMade_ = 0;
  int usersGiven_ = 0;
  unsigned delivered_ = 0;
};

// A message with a top Received: header and a Date: header for the given instants.
std::string makeMessage(int64_t received, int64_t date, const std::string& subject);
// An RFC 5322 date text of an instant shown in the given zone offset (minutes east of UTC).
std::string mailDateText(int64_t epochSeconds, int zoneMinutes);

}  // namespace vrxmail::testing
