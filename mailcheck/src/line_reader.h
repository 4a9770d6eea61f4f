// Reads CRLF-terminated lines and counted byte runs from a transport, within bounds.
#pragma once

#include <cstddef>
#include <string>

#include "transport.h"

namespace vrxmail {

enum class ReadStatus { ok, closed, overLimit, timedOut, aborted, failed };

struct ReadResult {
  ReadStatus status = ReadStatus::ok;
  int32_t error = 0;
};

class LineReader {
 public:
  LineReader(Transport& transport, std::size_t maxTotalBytes);

  // One line without its line end (CRLF, or a bare LF); overLimit when longer than maxBytes.
  ReadResult readLine(std::string& line, std::size_t maxBytes);
  // Appends exactly count bytes.
  ReadResult readExact(std::string& out, std::size_t count);

  std::size_t totalReceived() const { return total_; }
  // Bytes received and not yet read: more of what came in one go.
  bool hasBuffered() const { return start_ < buffer_.size(); }
  // Reads from another transport from now on (a secured stream after STARTTLS). Bytes already
  // received on the old one are dropped: nothing sent before the upgrade may count after it.
  void restartOn(Transport& transport);

 private:
  ReadResult fill();

  Transport* transport_;
  std::size_t maxTotal_;
  std::size_t total_ = 0;
  std::string buffer_;
  std::size_t start_ = 0;
};

}  // namespace vrxmail
