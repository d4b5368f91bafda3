// Process entry of the Windows program.
#include <windows.h>

#include "app/run_setup.h"
#include "app/setup_messages.h"
#include "platform/win32/win32_pipeline.h"
#include "platform/win32/win32_startup.h"
#include "platform/win32/win32_window.h"

static_assert(kExitUserCancelled == ERROR_INSTALL_USEREXIT);
static_assert(kExitSetupFailed == ERROR_INSTALL_FAILURE);
static_assert(kWmApp == WM_APP);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // Constructing these loads nothing: every Windows call waits for SetupEntry, which restricts
  // the DLL search path and hardens the heap before anything else.
  Win32StartupApi startup;
  Win32WindowApi window;
  Win32Pipeline pipeline;
  const SetupPlatform platform{startup, window, pipeline.Worker(), pipeline.Stages()};
  return static_cast<int>(
      SetupEntry(platform, reinterpret_cast<InstanceHandle>(instance), showCommand));
}
