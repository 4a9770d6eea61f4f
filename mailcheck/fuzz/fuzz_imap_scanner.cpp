// The IMAP tokenizer on arbitrary responses: it must end, and never read outside its input.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "imap_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace vrxmail;
  const std::string copy(reinterpret_cast<const char*>(data), size);  // exact bounds for ASan
  const std::string_view text(copy);
  ImapScanner scanner(text);
  for (std::size_t i = 0; i <= size + 1; ++i) {
    const ImapToken t = scanner.next();
    if (scanner.rest().size() > size) __builtin_trap();
    if (t.kind == ImapToken::end || t.kind == ImapToken::bad) break;
    if (i == size + 1) __builtin_trap();  // a token that consumed nothing
  }
  ImapScanner skipper(text);
  while (skipper.skipValue()) {
  }
  std::size_t n = 0;
  literalAtLineEnd(text, n);
  return 0;
}
