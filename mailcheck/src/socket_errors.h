// POSIX error numbers in the Windows Sockets numbering the reports use.
#pragma once

#include <cstdint>

namespace vrxmail {

int32_t winsockFromErrno(int error);
int32_t winsockFromResolver(int gaiError);

}  // namespace vrxmail
