// The calls of the program's start-up, message loop and teardown that are not window logic:
// hardening, the drawing factories, creating the window, and the message loop. UI thread only.
#pragma once

#include <cstdint>

#include "platform/handles.h"
#include "platform/com_holder.h"

struct ID2D1Factory;
struct IDWriteFactory;
struct SetupWindow;

using InstanceHandle = std::uintptr_t;  // HINSTANCE

// The fields of a MSG that the loop and its result need.
struct LoopMessage {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

class StartupApi {
 public:
  // SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32). Result ignored.
  virtual void SetDefaultDllDirectories() = 0;
  // HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0). Result ignored.
  virtual void HeapSetInformation() = 0;
  // Fixes g_uiLanguage from the user's preferred UI languages.
  virtual void ChooseUiLanguage() = 0;
  // D2D1CreateFactory, single-threaded, into `factory`. Returns the HRESULT.
  virtual std::int32_t D2D1CreateFactory(ComHolder<ID2D1Factory>& factory) = 0;
  // DWriteCreateFactory, shared, into `factory`. Returns the HRESULT.
  virtual std::int32_t DWriteCreateFactory(ComHolder<IDWriteFactory>& factory) = 0;
  // Registers the class and creates the hidden window into window.hwnd; true when it exists.
  virtual bool CreateMainWindow(SetupWindow& window, InstanceHandle instance) = 0;
  // DWMWA_WINDOW_CORNER_PREFERENCE := DWMWCP_ROUND. Result ignored.
  virtual void DwmSetWindowAttribute(WindowHandle window) = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  // Any window of the thread, no filter: > 0 a message, 0 WM_QUIT, -1 failure.
  virtual int GetMessageW(LoopMessage& message) = 0;
  virtual void TranslateMessage(const LoopMessage& message) = 0;
  virtual void DispatchMessageW(const LoopMessage& message) = 0;

 protected:
  ~StartupApi() = default;
};
