#include "arrival_cache.h"

namespace vrxmail {

std::optional<int64_t> ArrivalCache::find(const std::string& key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = entries_.find(key);
  if (it == entries_.end()) return std::nullopt;
  return it->second;
}

void ArrivalCache::store(const std::string& key, int64_t arrival) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Beyond its bound the cache starts afresh rather than grow without end.
  if (entries_.size() >= maxEntries_ && entries_.find(key) == entries_.end()) entries_.clear();
  entries_[key] = arrival;
}

std::size_t ArrivalCache::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return entries_.size();
}

ArrivalCache& ArrivalCache::process() {
  // Never destroyed: a check thread may still use it while the process ends.
  static ArrivalCache* cache = new ArrivalCache();
  return *cache;
}

}  // namespace vrxmail
