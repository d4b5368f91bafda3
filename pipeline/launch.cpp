// Starting the verified installer from the staging directory with the setup's own arguments, and
// waiting for it. Reports only by messages; cancellation is no longer possible here.
#include <cstdint>
#include <string>

#include "pipeline/argument_tail.h"
#include "pipeline/installer_stages.h"
#include "pipeline/setup_messages.h"
#include "pipeline/setup_worker.h"

void InstallerStages::LaunchInstaller(SetupWorker& worker) {
  worker.Post(WM_SETUP_STARTING, 0, 0);

  ProcessApi& processes = services_.processes;
  // The path is always quoted; nothing in the tail is re-quoted or escaped.
  std::u16string commandLine =
      u"\"" + worker.installerPath + u"\"" + GetArgumentTail(processes.GetCommandLineW());
  ProcessHandle process = 0;
  ProcessHandle thread = 0;
  std::uint32_t error = 0;
  if (!processes.CreateProcessW(worker.installerPath, commandLine, worker.stagingDir, process,
                                thread, error)) {
    worker.Post(WM_SETUP_FAILED, static_cast<std::uintptr_t>(FailureKind::LaunchFailed),
                static_cast<std::intptr_t>(error));
    return;
  }
  // Declared process first, so the thread handle is closed first.
  const UniqueProcessHandle processHandle(processes, process);
  const UniqueProcessHandle threadHandle(processes, thread);

  // Whatever the idle wait says (ready, timed out, or no message queue at all), hide now.
  processes.WaitForInputIdle(processHandle.get(), kInputIdleWaitMs);
  worker.Post(WM_SETUP_HIDE, 0, 0);

  processes.WaitForSingleObject(processHandle.get(), kInfinite);
  std::uint32_t exitCode = 0;
  if (!processes.GetExitCodeProcess(processHandle.get(), exitCode)) {
    exitCode = 0;
  }
  worker.Post(WM_SETUP_EXIT, exitCode, 0);
}
