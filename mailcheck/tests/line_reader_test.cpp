#include "line_reader.h"

#include <gtest/gtest.h>

#include <deque>

namespace vrxmail {
namespace {

// Hands out prepared chunks, then reports the stream closed.
class ChunkTransport : public Transport {
 public:
  explicit ChunkTransport(std::deque<std::string> chunks) : chunks_(std::move(chunks)) {}
  IoResult sendAll(std::string_view data) override { return {IoStatus::ok, data.size(), 0}; }
  IoResult receiveSome(char* buffer, std::size_t capacity) override {
    if (chunks_.empty()) return {IoStatus::closed, 0, 0};
    std::string& c = chunks_.front();
    const std::size_t n = std::min(capacity, c.size());
    c.copy(buffer, n);
    c.erase(0, n);
    if (c.empty()) chunks_.pop_front();
    return {IoStatus::ok, n, 0};
  }

 private:
  std::deque<std::string> chunks_;
};

TEST(LineReader, LinesSplitAcrossChunks) {
  ChunkTransport t({"+OK a", "b\r\n-E", "RR\nlast\r", "\n"});
  LineReader r(t, 1000);
  std::string line;
  ASSERT_EQ(r.readLine(line, 100).status, ReadStatus::ok);
  EXPECT_EQ(line, "+OK ab");
  ASSERT_EQ(r.readLine(line, 100).status, ReadStatus::ok);
  EXPECT_EQ(line, "-ERR");
  ASSERT_EQ(r.readLine(line, 100).status, ReadStatus::ok);
  EXPECT_EQ(line, "last");
  EXPECT_EQ(r.readLine(line, 100).status, ReadStatus::closed);
}

TEST(LineReader, OverlongLine) {
  ChunkTransport t({std::string(50, 'x'), std::string(50, 'x') + "\r\n"});
  LineReader r(t, 1000);
  std::string line;
  EXPECT_EQ(r.readLine(line, 60).status, ReadStatus::overLimit);
}

TEST(LineReader, TotalBound) {
  ChunkTransport t({"a\r\nb\r\nc\r\nd\r\n"});
  LineReader r(t, 6);
  std::string line;
  EXPECT_EQ(r.readLine(line, 10).status, ReadStatus::ok);
  EXPECT_EQ(r.readLine(line, 10).status, ReadStatus::ok);
  EXPECT_EQ(r.readLine(line, 10).status, ReadStatus::overLimit);
}

TEST(LineReader, ExactRunsThenLines) {
  ChunkTransport t({"12", "345", "67)\r\nnext\r\n"});
  LineReader r(t, 1000);
  std::string out;
  ASSERT_EQ(r.readExact(out, 6).status, ReadStatus::ok);
  EXPECT_EQ(out, "123456");
  std::string line;
  ASSERT_EQ(r.readLine(line, 10).status, ReadStatus::ok);
  EXPECT_EQ(line, "7)");
  ASSERT_EQ(r.readLine(line, 10).status, ReadStatus::ok);
  EXPECT_EQ(line, "next");
  EXPECT_EQ(r.readExact(out, 1).status, ReadStatus::closed);
}

TEST(LineReader, BytesReceivedBeforeARestartAreDropped) {
  // What a server sent after its STARTTLS answer, in plain text, must never count as its
  // answer inside TLS.
  ChunkTransport plain({"q1 OK Begin TLS\r\n* injected\r\nq2 OK ", "LOGIN done\r\n"});
  ChunkTransport secured({"* CAPABILITY IMAP4rev1\r\n"});
  LineReader r(plain, 1000);
  std::string line;
  ASSERT_EQ(r.readLine(line, 100).status, ReadStatus::ok);
  EXPECT_EQ(line, "q1 OK Begin TLS");
  r.restartOn(secured);
  ASSERT_EQ(r.readLine(line, 100).status, ReadStatus::ok);
  EXPECT_EQ(line, "* CAPABILITY IMAP4rev1");
  EXPECT_EQ(r.readLine(line, 100).status, ReadStatus::closed);
}

}  // namespace
}  // namespace vrxmail
