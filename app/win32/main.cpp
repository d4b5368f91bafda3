// Process entry of the Windows program: the real implementation of every interface, composed.
#include <windows.h>

#include "app/run_setup.h"
#include "app/win32/pipeline.h"
#include "app/win32/window.h"
#include "pipeline/setup_messages.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_startup_calls.h"
#include "platform/win32/win32_window_api.h"

static_assert(kExitUserCancelled == ERROR_INSTALL_USEREXIT);
static_assert(kExitSetupFailed == ERROR_INSTALL_FAILURE);
static_assert(kWmApp == WM_APP);

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  // Only objects are made here; no call reaches a delay-loaded library before SetupEntry has
  // restricted the DLL search path.
  Win32HardeningApi hardening;
  const Win32ResourceApi resources(reinterpret_cast<InstanceHandle>(instance));
  const Win32LocaleApi locale;
  Win32GraphicsFactoryApi factories;
  Win32MainWindowApi mainWindow;
  Win32WindowApi window;
  Win32MessageLoopApi loop;
  Win32Pipeline pipeline;
  const SetupPlatform platform{hardening, resources,         locale,
                               factories, mainWindow,        window,
                               loop,      pipeline.Worker(), pipeline.Stages()};
  return static_cast<int>(
      SetupEntry(platform, reinterpret_cast<InstanceHandle>(instance), showCommand));
}
