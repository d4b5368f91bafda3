// The start-up, factory and message-loop calls of the program on Windows. UI thread only.
#pragma once

#include <windows.h>

#include "platform/startup_api.h"

class Win32StartupApi final : public StartupApi {
 public:
  void SetDefaultDllDirectories() override;
  void HeapSetInformation() override;
  void ChooseUiLanguage() override;
  std::int32_t D2D1CreateFactory(ComHolder<ID2D1Factory>& factory) override;
  std::int32_t DWriteCreateFactory(ComHolder<IDWriteFactory>& factory) override;
  bool CreateMainWindow(SetupWindow& window, InstanceHandle instance) override;
  void DwmSetWindowAttribute(WindowHandle window) override;
  void SetForegroundWindow(WindowHandle window) override;
  int GetMessageW(LoopMessage& message) override;
  void TranslateMessage(const LoopMessage& message) override;
  void DispatchMessageW(const LoopMessage& message) override;

 private:
  // The last message retrieved, whole, for TranslateMessage and DispatchMessageW.
  MSG message_{};
};
