#include "line_reader.h"

#include <cstring>

namespace vrxmail {
namespace {

constexpr std::size_t kChunk = 16384;

ReadStatus fromIo(IoStatus s) {
  switch (s) {
    case IoStatus::ok: return ReadStatus::ok;
    case IoStatus::closed: return ReadStatus::closed;
    case IoStatus::timedOut: return ReadStatus::timedOut;
    case IoStatus::aborted: return ReadStatus::aborted;
    case IoStatus::failed: return ReadStatus::failed;
  }
  return ReadStatus::failed;
}

}  // namespace

LineReader::LineReader(Transport& transport, std::size_t maxTotalBytes)
    : transport_(&transport), maxTotal_(maxTotalBytes) {}

void LineReader::restartOn(Transport& transport) {
  transport_ = &transport;
  buffer_.clear();
  start_ = 0;
}

ReadResult LineReader::fill() {
  if (total_ >= maxTotal_) return {ReadStatus::overLimit, 0};
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  const std::size_t old = buffer_.size();
  const std::size_t want = std::min(kChunk, maxTotal_ - total_);
  buffer_.resize(old + want);
  const IoResult r = transport_->receiveSome(&buffer_[old], want);
  buffer_.resize(old + (r.status == IoStatus::ok ? r.bytes : 0));
  if (r.status != IoStatus::ok) return {fromIo(r.status), r.error};
  total_ += r.bytes;
  return {};
}

ReadResult LineReader::readLine(std::string& line, std::size_t maxBytes) {
  std::size_t searched = start_;
  for (;;) {
    const void* nl = std::memchr(buffer_.data() + searched, '\n', buffer_.size() - searched);
    if (nl != nullptr) {
      const std::size_t end = static_cast<const char*>(nl) - buffer_.data();
      std::size_t len = end - start_;
      if (len > 0 && buffer_[end - 1] == '\r') --len;
      if (len > maxBytes) return {ReadStatus::overLimit, 0};
      line.assign(buffer_, start_, len);
      start_ = end + 1;
      return {};
    }
    if (buffer_.size() - start_ > maxBytes + 1) return {ReadStatus::overLimit, 0};
    const std::size_t pendingStart = start_;
    searched = buffer_.size();
    const ReadResult r = fill();
    if (r.status != ReadStatus::ok) return r;
    searched -= pendingStart - start_;  // fill() may have moved the pending bytes
  }
}

ReadResult LineReader::readExact(std::string& out, std::size_t count) {
  while (buffer_.size() - start_ < count) {
    const std::size_t have = buffer_.size() - start_;
    out.append(buffer_, start_, have);
    count -= have;
    buffer_.clear();
    start_ = 0;
    const ReadResult r = fill();
    if (r.status != ReadStatus::ok) return r;
  }
  out.append(buffer_, start_, count);
  start_ += count;
  return {};
}

}  // namespace vrxmail
