// A stand-in for the window's message queue: records every posted message in order and lets a
// test play the UI thread by taking them out one at a time.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/message_poster.h"

struct PostedMessage {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;

  bool operator==(const PostedMessage&) const = default;
};

class RecordingPoster final : public MessagePoster {
 public:
  void PostMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) override;

  // Takes the oldest queued message, waiting up to `timeout` for one.
  std::optional<PostedMessage> Take(std::chrono::milliseconds timeout);

  // Every message posted so far, in posting order, taken or not.
  std::vector<PostedMessage> Posted() const;
  // The largest number of `message` that were ever waiting in the queue at the same time.
  std::size_t MaxQueued(std::uint32_t message) const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable posted_;
  std::deque<PostedMessage> queue_;
  std::vector<PostedMessage> history_;
  std::vector<std::pair<std::uint32_t, std::size_t>> maxQueued_;
};
