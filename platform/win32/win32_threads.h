// The worker thread and its messages on Windows.
#pragma once

#include "platform/message_poster.h"
#include "platform/thread.h"

class Win32MessagePoster final : public MessagePoster {
 public:
  void PostMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) override;
};

// CreateThread rather than std::thread: the exe then carries no winpthreads.
class Win32ThreadApi final : public ThreadApi {
 public:
  std::uint32_t CreateThread(const ThreadEntry& entry, ThreadRef& thread) override;
  void JoinThread(const ThreadRef& thread) override;
};
