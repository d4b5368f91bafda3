// Posting the setup messages to the window (PostMessageW).
#pragma once

#include <cstdint>

#include "platform/handles.h"

class MessagePoster {
 public:
  // Any thread. Queues the message for the thread that owns `window` and returns at once; it never
  // waits for that thread. The result is deliberately not reported: a message posted after the
  // window was destroyed is lost, and by then the UI thread is tearing the worker down anyway.
  virtual void PostMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam) = 0;

 protected:
  ~MessagePoster() = default;
};
