// The thread's message loop. UI thread only.
#pragma once

#include <cstdint>

#include "platform/geometry.h"
#include "platform/handles.h"

// A whole MSG, so that the message dispatched is exactly the one retrieved.
struct LoopMessage {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::uint32_t time = 0;
  PixelPoint point;
};

class MessageLoopApi {
 public:
  // Any window of the thread, no filter: > 0 a message, 0 WM_QUIT, -1 failure.
  virtual int GetMessageW(LoopMessage& message) = 0;
  virtual void TranslateMessage(const LoopMessage& message) = 0;
  virtual void DispatchMessageW(const LoopMessage& message) = 0;

 protected:
  ~MessageLoopApi() = default;
};
