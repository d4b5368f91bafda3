// The native build's threads: std::thread behind the ThreadApi of the Windows build.
#pragma once

#include "platform/thread.h"

class StdThreadApi final : public ThreadApi {
 public:
  std::uint32_t CreateThread(const ThreadEntry& entry, ThreadRef& thread) override;
  void JoinThread(const ThreadRef& thread) override;
};
