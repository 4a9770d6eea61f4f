// Splits one IMAP response (its literals inline as "{n}\r\n" and n bytes) into tokens.
#pragma once

#include <cstddef>
#include <string_view>

namespace vrxmail {

struct ImapToken {
  enum Kind { atom, quoted, literal, listOpen, listClose, end, bad };
  Kind kind = end;
  std::string_view text;  // atom text (a bracketed part such as BODY[...] included),
                          // quoted contents with escapes kept, or literal bytes
};

class ImapScanner {
 public:
  explicit ImapScanner(std::string_view response) : s_(response) {}

  ImapToken next();
  ImapToken peek();
  // Skips one value: an atom, string or a whole parenthesised list.
  bool skipValue();
  std::string_view rest() const { return pos_ < s_.size() ? s_.substr(pos_) : std::string_view(); }

 private:
  std::string_view s_;
  std::size_t pos_ = 0;
};

// A status response (tagged or untagged OK, NO, BAD, BYE, PREAUTH) or a continuation request:
// the rest of its line is human-readable text, with no literal in it.
bool isTextResponse(std::string_view line);

// The number a "{n}" or "{n+}" at the end of a line announces.
bool literalAtLineEnd(std::string_view line, std::size_t& count);

}  // namespace vrxmail
