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
  // Only objects are made here; no call reaches a delay-loaded library before SetupEntry has
  // restricted the DLL search path.
  Win32StartupApi startup;
  Win32Pipeline pipeline;
  const SetupPlatform platform{startup, TheWindowApi(), pipeline.Worker(), pipeline.Stages()};
  return static_cast<int>(
      SetupEntry(platform, reinterpret_cast<InstanceHandle>(instance), showCommand));
}
