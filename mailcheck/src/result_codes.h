// The codes a check reports through the callback.
#pragma once

#include <cstdint>

namespace vrxmail {

constexpr int32_t code(uint32_t value) { return static_cast<int32_t>(value); }

constexpr int32_t kSuccess = 0;
constexpr int32_t kBadCommandResponse = code(0xE00C0001u);   // greeting, CAPABILITY, EXAMINE
constexpr int32_t kHostNotAscii = code(0xE00C0002u);         // host text with bytes over 0x7F
constexpr int32_t kImapSearchFailed = code(0xE00C0100u);
constexpr int32_t kImapFetchFailed = code(0xE00C0101u);
constexpr int32_t kImapLoginRejected = code(0xE00C0102u);    // LOGIN answered NO
constexpr int32_t kImapLoginRefused = code(0xE00C0103u);     // LOGIN answered BAD or could not be sent
constexpr int32_t kImapLoginDisabled = code(0xE00C0104u);    // LOGINDISABLED, no AUTH=PLAIN
constexpr int32_t kPop3RetrieveFailed = code(0xE00C0200u);   // TOP
constexpr int32_t kPop3ListFailed = code(0xE00C0201u);
constexpr int32_t kPop3UidlFailed = code(0xE00C0202u);
constexpr int32_t kPop3StatFailed = code(0xE00C0203u);
constexpr int32_t kPop3LoginRejected = code(0xE00C0204u);    // USER or PASS answered -ERR

// Securing the connection. No password is sent after any of these.
constexpr int32_t kTlsHandshakeFailed = code(0xE00C0300u);   // no TLS session could be made
constexpr int32_t kStartTlsUnavailable = code(0xE00C0301u);  // STARTTLS / STLS not offered
constexpr int32_t kStartTlsRefused = code(0xE00C0302u);      // STARTTLS / STLS not answered OK
constexpr int32_t kTlsRenegotiationRefused = code(0xE00C0303u);  // the server asked for one
// The server's certificate. With several faults the first in this order is reported.
constexpr int32_t kCertSelfSigned = code(0xE00C0310u);       // its own issuer, not trusted
constexpr int32_t kCertUntrustedRoot = code(0xE00C0311u);    // chain ends at a root not trusted
constexpr int32_t kCertIncompleteChain = code(0xE00C0312u);  // an issuer was not found
constexpr int32_t kCertInvalid = code(0xE00C0313u);          // signature, usage, missing, ...
constexpr int32_t kCertExpired = code(0xE00C0314u);          // outside its validity dates
constexpr int32_t kCertNameMismatch = code(0xE00C0315u);     // not issued for the host name

// Windows Sockets error numbers, also used by the POSIX build.
constexpr int32_t kWsaInterrupted = 10004;     // the check was aborted
constexpr int32_t kWsaInvalidArgument = 10022; // unreadable since-stamp
constexpr int32_t kWsaNetDown = 10050;
constexpr int32_t kWsaNetUnreachable = 10051;
constexpr int32_t kWsaConnAborted = 10053;
constexpr int32_t kWsaConnReset = 10054;
constexpr int32_t kWsaNoBuffers = 10055;
constexpr int32_t kWsaNotConnected = 10057;
constexpr int32_t kWsaTimedOut = 10060;
constexpr int32_t kWsaConnRefused = 10061;
constexpr int32_t kWsaHostDown = 10064;
constexpr int32_t kWsaHostUnreachable = 10065;
constexpr int32_t kWsaHostNotFound = 11001;
constexpr int32_t kWsaTryAgain = 11002;
constexpr int32_t kWsaNoRecovery = 11003;

}  // namespace vrxmail
