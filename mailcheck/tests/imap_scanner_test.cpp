#include "imap_scanner.h"

#include <gtest/gtest.h>

namespace vrxmail {
namespace {

TEST(ImapScanner, AtomsStringsListsAndLiterals) {
  ImapScanner s("* 98 FETCH (UID 98 BODY[HEADER.FIELDS (DATE)] {5}\r\nab\"c) INTERNALDATE \"x\\\"y\")");
  EXPECT_EQ(s.next().text, "*");
  EXPECT_EQ(s.next().text, "98");
  EXPECT_EQ(s.next().text, "FETCH");
  EXPECT_EQ(s.next().kind, ImapToken::listOpen);
  EXPECT_EQ(s.next().text, "UID");
  EXPECT_EQ(s.next().text, "98");
  EXPECT_EQ(s.next().text, "BODY[HEADER.FIELDS (DATE)]");
  const ImapToken literal = s.next();
  EXPECT_EQ(literal.kind, ImapToken::literal);
  EXPECT_EQ(literal.text, "ab\"c)");
  EXPECT_EQ(s.next().text, "INTERNALDATE");
  const ImapToken q = s.next();
  EXPECT_EQ(q.kind, ImapToken::quoted);
  EXPECT_EQ(q.text, "x\\\"y");
  EXPECT_EQ(s.next().kind, ImapToken::listClose);
  EXPECT_EQ(s.next().kind, ImapToken::end);
}

TEST(ImapScanner, BrokenInput) {
  EXPECT_EQ(ImapScanner("\"open").next().kind, ImapToken::bad);
  ImapScanner trailingEscape("\"ab\\");
  EXPECT_EQ(trailingEscape.next().kind, ImapToken::bad);
  EXPECT_EQ(trailingEscape.rest(), "");
  EXPECT_EQ(ImapScanner("{5}\r\nab").next().kind, ImapToken::bad);
  EXPECT_EQ(ImapScanner("{x}\r\nab").next().kind, ImapToken::bad);
  EXPECT_EQ(ImapScanner("[a").next().kind, ImapToken::bad);
  EXPECT_EQ(ImapScanner("]").next().kind, ImapToken::bad);
  EXPECT_EQ(ImapScanner("[[[[[[[[[[x]]]]]]]]]]").next().kind, ImapToken::bad);
}

TEST(ImapScanner, SkipsNestedLists) {
  ImapScanner s("(a (b \"c\" {1}\r\n))) d");
  EXPECT_TRUE(s.skipValue());
  EXPECT_EQ(s.next().text, "d");
  ImapScanner unterminated("(a (b)");
  EXPECT_FALSE(unterminated.skipValue());
}

TEST(ImapScanner, LiteralAtLineEnd) {
  std::size_t n = 0;
  EXPECT_TRUE(literalAtLineEnd("* 1 FETCH (BODY[] {41}", n));
  EXPECT_EQ(n, 41u);
  EXPECT_TRUE(literalAtLineEnd("a {7+}", n));
  EXPECT_EQ(n, 7u);
  EXPECT_FALSE(literalAtLineEnd("a {}", n));
  EXPECT_FALSE(literalAtLineEnd("a {4} x", n));
  EXPECT_FALSE(literalAtLineEnd("a {99999999999999999999}", n));
}

}  // namespace
}  // namespace vrxmail
