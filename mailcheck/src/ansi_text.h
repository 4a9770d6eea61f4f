// User names and passwords come as 8-bit text of the system's code page; what goes to an
// IMAP server in a literal or in SASL is UTF-8.
#pragma once

#include <string>

namespace vrxmail {

// The UTF-8 form of a text of the system's code page (Windows: the ANSI code page; the
// native build reads bytes as ISO 8859-1). Unconvertible text is returned unchanged.
std::string utf8FromAnsi(const std::string& text);

}  // namespace vrxmail
