// Process entry of the Windows program.
#include <windows.h>

#include "app/setup_messages.h"

static_assert(kExitUserCancelled == ERROR_INSTALL_USEREXIT);
static_assert(kExitSetupFailed == ERROR_INSTALL_FAILURE);
static_assert(kWmApp == WM_APP);

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Before anything else is loaded: every later DLL comes from the system directory only, and a
  // corrupted heap ends the process instead of being exploited.
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  ::HeapSetInformation(nullptr, HeapEnableTerminationOnCorruption, nullptr, 0);

  // The window that the worker reports to does not exist yet in this build.
  return static_cast<int>(kExitSetupFailed);
}
