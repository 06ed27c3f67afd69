#pragma once

#include <mutex>
#include <string>
#include <vector>

namespace minihost {

// Every host call the module makes, one line each, in order ("AcquireSuite PF ANSI Suite
// 1", "PF_UpdateParamUI 10", ...). Calls may come from several threads.
class Journal {
 public:
  void add(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back(std::move(entry));
  }
  std::vector<std::string> entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
  }
  void clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
};

}  // namespace minihost
