// Arrival times of POP3 messages by unique id, kept for the life of the process so that
// a re-check of an unchanged mailbox fetches no headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace vrxmail {

class ArrivalCache {
 public:
  // A message whose headers carry no readable date.
  static constexpr int64_t kUnknown = INT64_MIN;

  explicit ArrivalCache(std::size_t maxEntries = 200000) : maxEntries_(maxEntries) {}

  std::optional<int64_t> find(const std::string& key) const;
  void store(const std::string& key, int64_t arrival);
  std::size_t size() const;

  static ArrivalCache& process();

 private:
  mutable std::mutex mutex_;
  std::unordered_map<std::string, int64_t> entries_;
  std::size_t maxEntries_;
};

}  // namespace vrxmail
