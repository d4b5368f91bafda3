#include "app/run_setup.h"

#include <memory>

#include "app/setup_messages.h"
#include "ui/placement.h"
#include "ui/setup_window.h"

InstanceHandle g_instance = 0;

std::uint32_t SetupEntry(const SetupPlatform& platform, InstanceHandle instance, int showCommand) {
  // Before any other library is loaded: every later one (the delay-loaded ones included) comes
  // from the system directory, and a corrupted heap ends the process instead of running on.
  platform.startup.SetDefaultDllDirectories();
  platform.startup.HeapSetInformation();
  g_instance = instance;
  platform.startup.ChooseUiLanguage();
  return RunSetup(platform, instance, showCommand);
}

std::uint32_t RunSetup(const SetupPlatform& platform, InstanceHandle instance, int showCommand) {
  StartupApi& startup = platform.startup;
  SetupWindow window;
  // From here on the window procedure finds its state, also for the messages sent while the
  // window is being created. Cleared before `window` goes, on every path.
  g_setupWindow = &window;
  struct ClearGlobal {
    ~ClearGlobal() { g_setupWindow = nullptr; }
  } clearGlobal;

  if (startup.D2D1CreateFactory(window.d2dFactory) < 0) {
    return kExitSetupFailed;
  }
  if (startup.DWriteCreateFactory(window.writeFactory) < 0) {
    return kExitSetupFailed;
  }
  if (!startup.CreateMainWindow(window, instance) || window.hwnd == 0) {
    return kExitSetupFailed;
  }
  startup.DwmSetWindowAttribute(window.hwnd);
  PlaceWindow(platform.window, window.hwnd, nullptr);

  window.worker.reset();
  window.worker = std::make_unique<SetupWorker>(window.hwnd, platform.worker, platform.stages);

  // A parent that asks for a hidden start still gets the window: there is nothing else to see.
  platform.window.ShowWindow(window.hwnd, showCommand == 0 ? kSwShowNormal : showCommand);
  startup.SetForegroundWindow(window.hwnd);

  // The window is visible before the worker can post its first message.
  window.worker->Start();

  LoopMessage message;
  int got;
  while ((got = startup.GetMessageW(message)) > 0) {
    startup.TranslateMessage(message);
    startup.DispatchMessageW(message);
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
