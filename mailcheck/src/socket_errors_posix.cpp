#include <netdb.h>

#include <cerrno>

#include "result_codes.h"
#include "socket_errors.h"

namespace vrxmail {

int32_t winsockFromErrno(int error) {
  switch (error) {
    case ECONNREFUSED: return kWsaConnRefused;
    case ECONNRESET: return kWsaConnReset;
    case EPIPE: return kWsaConnReset;
    case ECONNABORTED: return kWsaConnAborted;
    case ETIMEDOUT: return kWsaTimedOut;
    case ENETDOWN: return kWsaNetDown;
    case ENETUNREACH: return kWsaNetUnreachable;
    case EHOSTDOWN: return kWsaHostDown;
    case EHOSTUNREACH: return kWsaHostUnreachable;
    case ENOBUFS: return kWsaNoBuffers;
    case ENOTCONN: return kWsaNotConnected;
    case EADDRNOTAVAIL: return 10049;
    case EAFNOSUPPORT: return 10047;
    case EMFILE: return 10024;
    case EACCES: return 10013;
    case EINVAL: return kWsaInvalidArgument;
    case EINTR: return kWsaInterrupted;
    default: return 10000 + (error > 0 && error < 1000 ? error : 0);
  }
}

int32_t winsockFromResolver(int gaiError) {
  switch (gaiError) {
    case EAI_AGAIN: return kWsaTryAgain;
    case EAI_FAIL: return kWsaNoRecovery;
    case EAI_SYSTEM: return winsockFromErrno(errno);
    default: return kWsaHostNotFound;
  }
}

}  // namespace vrxmail
