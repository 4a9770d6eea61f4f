#include "ansi_text.h"

#include <windows.h>

namespace vrxmail {

std::string utf8FromAnsi(const std::string& text) {
  if (text.empty() || text.size() > 65536) return text;
  const int size = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (wide <= 0) return text;
  std::wstring utf16(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), size, &utf16[0], wide);
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr,
                                        nullptr);
  if (bytes <= 0) return text;
  std::string out(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, &out[0], bytes, nullptr, nullptr);
  return out;
}

}  // namespace vrxmail
