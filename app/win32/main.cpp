// Process entry of the Windows program.
#include <windows.h>

#include "app/run_setup.h"
#include "app/setup_messages.h"
#include "app/win32/pipeline.h"
#include "app/win32/startup.h"
#include "app/win32/window.h"

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
