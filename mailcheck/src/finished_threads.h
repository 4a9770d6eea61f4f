// The services keep each piece of work with its thread in a list; this takes out those whose
// thread has ended (their threadDone set under the lock) and joins them outside it.
#pragma once

#include <list>
#include <memory>
#include <mutex>

namespace vrxmail {

template <typename Work>
void joinFinished(std::list<std::unique_ptr<Work>>& all, std::mutex& mutex) {
  std::list<std::unique_ptr<Work>> finished;
  {
    std::lock_guard<std::mutex> lock(mutex);
    for (auto it = all.begin(); it != all.end();) {
      if ((*it)->threadDone) {
        finished.push_back(std::move(*it));
        it = all.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto& w : finished) w->thread.join();
}

}  // namespace vrxmail
