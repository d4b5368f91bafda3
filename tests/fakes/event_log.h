// One ordered record of calls shared by several fakes, so a test can check the order in which
// different services were used (for example a message posted before a process was created).
#pragma once

#include <mutex>
#include <string>
#include <vector>

class EventLog {
 public:
  void Add(std::string event) {
    std::lock_guard lock(mutex_);
    events_.push_back(std::move(event));
  }
  std::vector<std::string> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> events_;
};
