// The start-up calls of the program on Windows: hardening, the drawing factories and the message
// loop. Stateless. UI thread only.
#pragma once

#include "platform/factory_api.h"
#include "platform/hardening_api.h"
#include "platform/message_loop_api.h"

class Win32HardeningApi final : public HardeningApi {
 public:
  void SetDefaultDllDirectories() override;
  void HeapSetInformation() override;
};

class Win32GraphicsFactoryApi final : public GraphicsFactoryApi {
 public:
  std::int32_t D2D1CreateFactory(ComHolder<ID2D1Factory>& factory) override;
  std::int32_t DWriteCreateFactory(ComHolder<IDWriteFactory>& factory) override;
};

class Win32MessageLoopApi final : public MessageLoopApi {
 public:
  int GetMessageW(LoopMessage& message) override;
  void TranslateMessage(const LoopMessage& message) override;
  void DispatchMessageW(const LoopMessage& message) override;
};
