// Process entry of the Windows program.
#include <windows.h>

#include "app/win32/program.h"
#include "pipeline/setup_messages.h"

static_assert(kExitUserCancelled == ERROR_INSTALL_USEREXIT);
static_assert(kExitSetupFailed == ERROR_INSTALL_FAILURE);
static_assert(kWmApp == WM_APP);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  const InstanceHandle module = reinterpret_cast<InstanceHandle>(instance);
  Win32Program program(module);
  return static_cast<int>(SetupEntry(program.Platform(), module, showCommand));
}
