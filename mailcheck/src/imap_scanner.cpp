#include "imap_scanner.h"

#include <cstdint>

#include "ascii_text.h"

namespace vrxmail {
namespace {

constexpr int kMaxBracketDepth = 8;

bool atomChar(char c) {
  return c != ' ' && c != '(' && c != ')' && c != '"' && c != '{' && c != '\r' && c != '\n' &&
         c != ']';
}

}  // namespace

bool isTextResponse(std::string_view line) {
  if (!line.empty() && line[0] == '+') return true;
  ImapScanner scanner(line);
  if (scanner.next().kind != ImapToken::atom) return false;
  const ImapToken status = scanner.next();
  if (status.kind != ImapToken::atom) return false;
  for (const std::string_view word : {"OK", "NO", "BAD", "BYE", "PREAUTH"}) {
    if (equalsNoCase(status.text, word)) return true;
  }
  return false;
}

bool literalAtLineEnd(std::string_view line, std::size_t& count) {
  if (line.size() < 3 || line.back() != '}') return false;
  const std::size_t open = line.rfind('{');
  if (open == std::string_view::npos) return false;
  std::string_view digits = line.substr(open + 1, line.size() - open - 2);
  if (!digits.empty() && digits.back() == '+') digits.remove_suffix(1);
  uint64_t n = 0;
  if (!parseNumber(digits, n) || n > SIZE_MAX / 2) return false;
  count = static_cast<std::size_t>(n);
  return true;
}

ImapToken ImapScanner::peek() {
  const std::size_t saved = pos_;
  const ImapToken t = next();
  pos_ = saved;
  return t;
}

ImapToken ImapScanner::next() {
  while (pos_ < s_.size() && s_[pos_] == ' ') ++pos_;
  if (pos_ >= s_.size()) return {ImapToken::end, {}};
  const char c = s_[pos_];
  if (c == '(') {
    ++pos_;
    return {ImapToken::listOpen, s_.substr(pos_ - 1, 1)};
  }
  if (c == ')') {
    ++pos_;
    return {ImapToken::listClose, s_.substr(pos_ - 1, 1)};
  }
  if (c == '"') {
    const std::size_t start = ++pos_;
    while (pos_ < s_.size() && s_[pos_] != '"') {
      if (s_[pos_] == '\\' && ++pos_ == s_.size()) break;
      if (s_[pos_] == '\r' || s_[pos_] == '\n') return {ImapToken::bad, {}};
      ++pos_;
    }
    if (pos_ >= s_.size()) return {ImapToken::bad, {}};
    return {ImapToken::quoted, s_.substr(start, pos_++ - start)};
  }
  if (c == '{') {
    const std::size_t close = s_.find('}', pos_);
    if (close == std::string_view::npos) return {ImapToken::bad, {}};
    std::string_view digits = s_.substr(pos_ + 1, close - pos_ - 1);
    if (!digits.empty() && digits.back() == '+') digits.remove_suffix(1);
    uint64_t n = 0;
    if (!parseNumber(digits, n) || s_.substr(close + 1, 2) != "\r\n") return {ImapToken::bad, {}};
    const std::size_t start = close + 3;
    if (n > s_.size() - start) return {ImapToken::bad, {}};
    pos_ = start + static_cast<std::size_t>(n);
    return {ImapToken::literal, s_.substr(start, static_cast<std::size_t>(n))};
  }
  if (c == '\r' || c == '\n' || c == ']') return {ImapToken::bad, {}};
  const std::size_t start = pos_;
  int depth = 0;
  while (pos_ < s_.size()) {
    const char d = s_[pos_];
    if (d == '[') {
      if (++depth > kMaxBracketDepth) return {ImapToken::bad, {}};
    } else if (d == ']') {
      if (depth == 0) break;
      --depth;
    } else if (depth == 0 && !atomChar(d)) {
      break;
    } else if (d == '\r' || d == '\n') {
      return {ImapToken::bad, {}};
    }
    ++pos_;
  }
  if (depth != 0) return {ImapToken::bad, {}};
  return {ImapToken::atom, s_.substr(start, pos_ - start)};
}

bool ImapScanner::skipValue() {
  const ImapToken t = next();
  if (t.kind == ImapToken::atom || t.kind == ImapToken::quoted || t.kind == ImapToken::literal) {
    return true;
  }
  if (t.kind != ImapToken::listOpen) return false;
  int depth = 1;
  while (depth > 0) {
    const ImapToken u = next();
    if (u.kind == ImapToken::listOpen) {
      ++depth;
    } else if (u.kind == ImapToken::listClose) {
      --depth;
    } else if (u.kind == ImapToken::end || u.kind == ImapToken::bad) {
      return false;
    }
  }
  return true;
}

}  // namespace vrxmail
