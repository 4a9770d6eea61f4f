#include "header_dates.h"

#include <cctype>
#include <string>

#include "mail_date.h"

namespace vrxmail {
namespace {

constexpr std::size_t kMaxFieldBytes = 4096;

// The value of a field when the (unfolded) field has the given lower-case name.
bool fieldValue(std::string_view field, std::string_view name, std::string_view& value) {
  if (field.size() <= name.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(field[i])) != name[i]) return false;
  }
  std::size_t k = name.size();
  while (k < field.size() && (field[k] == ' ' || field[k] == '\t')) ++k;
  if (k >= field.size() || field[k] != ':') return false;
  value = field.substr(k + 1);
  return true;
}

}  // namespace

std::optional<int64_t> arrivalFromHeaders(std::string_view block) {
  std::optional<int64_t> date;
  bool sawReceived = false;
  bool sawDate = false;
  std::optional<int64_t> received;
  std::string field;

  auto finish = [&]() {
    std::string_view value;
    if (!sawReceived && fieldValue(field, "received", value)) {
      sawReceived = true;
      received = parseReceivedDate(value);
    } else if (!sawDate && fieldValue(field, "date", value)) {
      sawDate = true;
      date = parseMailDate(value);
    }
    field.clear();
  };

  std::size_t pos = 0;
  while (pos < block.size()) {
    std::size_t end = block.find('\n', pos);
    if (end == std::string_view::npos) end = block.size();
    std::string_view line = block.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) break;
    if (line[0] == ' ' || line[0] == '\t') {
      if (field.size() + line.size() < kMaxFieldBytes) field.append(line);
      continue;
    }
    finish();
    field.assign(line.substr(0, kMaxFieldBytes));
  }
  finish();
  return received ? received : date;
}

}  // namespace vrxmail
