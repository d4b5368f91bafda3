// Creating the program's one window, whose procedure is the program's own (app/win32/window.cpp).
// UI thread only.
#pragma once

#include <string>

#include "platform/handles.h"

class MainWindowApi {
 public:
  // Registers the window class and creates the hidden popup titled `title`. Its procedure finds
  // its state and its window calls through g_setupWindow and g_windowApi, which must be set
  // before: the system sends messages while the window is being created. 0 when it cannot be
  // created.
  virtual WindowHandle CreateMainWindow(InstanceHandle instance, const std::u16string& title) = 0;

 protected:
  ~MainWindowApi() = default;
};
