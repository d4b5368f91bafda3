#include "tests/fakes/recording_poster.h"

#include <algorithm>

void RecordingPoster::PostMessageW(WindowHandle window, std::uint32_t message,
                                   std::uintptr_t wParam, std::intptr_t lParam) {
  {
    std::lock_guard lock(mutex_);
    const PostedMessage posted{window, message, wParam, lParam};
    queue_.push_back(posted);
    history_.push_back(posted);
    const auto queued = static_cast<std::size_t>(
        std::count_if(queue_.begin(), queue_.end(),
                      [&](const PostedMessage& m) { return m.message == message; }));
    auto entry = std::find_if(maxQueued_.begin(), maxQueued_.end(),
                              [&](const auto& e) { return e.first == message; });
    if (entry == maxQueued_.end()) {
      maxQueued_.emplace_back(message, queued);
    } else {
      entry->second = std::max(entry->second, queued);
    }
  }
  posted_.notify_all();
}

std::optional<PostedMessage> RecordingPoster::Take(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  if (!posted_.wait_for(lock, timeout, [&] { return !queue_.empty(); })) {
    return std::nullopt;
  }
  const PostedMessage front = queue_.front();
  queue_.pop_front();
  return front;
}

std::vector<PostedMessage> RecordingPoster::Posted() const {
  std::lock_guard lock(mutex_);
  return history_;
}

std::size_t RecordingPoster::MaxQueued(std::uint32_t message) const {
  std::lock_guard lock(mutex_);
  for (const auto& [id, count] : maxQueued_) {
    if (id == message) {
      return count;
    }
  }
  return 0;
}
