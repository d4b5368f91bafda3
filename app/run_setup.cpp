#include "app/run_setup.h"

#include <memory>

#include "l10n/string_table.h"
#include "l10n/ui_language.h"
#include "pipeline/setup_messages.h"
#include "ui/placement.h"
#include "ui/setup_window.h"

InstanceHandle g_instance = 0;

std::uint32_t SetupEntry(const SetupPlatform& platform, InstanceHandle instance, int showCommand) {
  // Before any other library is loaded: every later one (the delay-loaded ones included) comes
  // from the system directory, and a corrupted heap ends the process instead of running on.
  platform.hardening.SetDefaultDllDirectories();
  platform.hardening.HeapSetInformation();
  g_instance = instance;
  ChooseUiLanguage(platform.resources, platform.locale);
  return RunSetup(platform, instance, showCommand);
}

std::uint32_t RunSetup(const SetupPlatform& platform, InstanceHandle instance, int showCommand) {
  SetupWindow window;
  // From here on the window procedure finds its state and its window calls, also for the
  // messages sent while the window is being created. Cleared before `window` goes, on every path.
  g_setupWindow = &window;
  g_windowApi = &platform.window;
  struct ClearGlobals {
    ~ClearGlobals() {
      g_setupWindow = nullptr;
      g_windowApi = nullptr;
    }
  } clearGlobals;

  if (platform.factories.D2D1CreateFactory(window.d2dFactory) < 0) {
    return kExitSetupFailed;
  }
  if (platform.factories.DWriteCreateFactory(window.writeFactory) < 0) {
    return kExitSetupFailed;
  }
  // WM_NCCREATE has set window.hwnd by the time this returns; the result says the same.
  const WindowHandle created = platform.mainWindow.CreateMainWindow(
      instance, LoadUiString(platform.resources, kStrWindowTitle));
  if (created == 0) {
    return kExitSetupFailed;
  }
  window.hwnd = created;
  platform.window.DwmSetWindowAttribute(window.hwnd);
  PlaceWindow(platform.window, window.hwnd, nullptr);

  window.worker.reset();
  window.worker = std::make_unique<SetupWorker>(window.hwnd, platform.worker, platform.stages);

  // A parent that asks for a hidden start still gets the window: there is nothing else to see.
  platform.window.ShowWindow(window.hwnd, showCommand == 0 ? kSwShowNormal : showCommand);
  platform.window.SetForegroundWindow(window.hwnd);

  // The window is visible before the worker can post its first message.
  window.worker->Start();

  LoopMessage message;
  int got;
  while ((got = platform.loop.GetMessageW(message)) > 0) {
    platform.loop.TranslateMessage(message);
    platform.loop.DispatchMessageW(message);
  }
  // A failed GetMessageW leaves no exit code of any meaning in the record: report a failure rather
  // than whatever the last message carried.
  const std::uint32_t result =
      got < 0 ? kExitSetupFailed : static_cast<std::uint32_t>(message.wParam);

  // Cancels and joins the worker thread and removes the staged file and directory, before the
  // drawing resources go with `window`.
  std::unique_ptr<SetupWorker> worker = std::move(window.worker);
  worker.reset();
  return result;
}
