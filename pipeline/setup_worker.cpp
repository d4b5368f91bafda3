#include "pipeline/setup_worker.h"

#include "app/setup_messages.h"

SetupWorker::SetupWorker(WindowHandle window, const WorkerPlatform& platform_,
                         PipelineStages& stages_)
    : platform(platform_),
      stages(stages_),
      notifyWindow(window),
      workerThread(platform_.threads),
      verifiedFile(platform_.files) {}

SetupWorker::~SetupWorker() {
  Cancel();
  verifiedFile.reset();
  if (!installerPath.empty()) {
    platform.files.DeleteFileW(installerPath);
  }
  if (!stagingDir.empty()) {
    platform.files.RemoveDirectoryW(stagingDir);
  }
}

void SetupWorker::Start() {
  // From the failure screen the previous run has already posted its last message; this join
  // only waits for it to return.
  workerThread.Join();
  cancelRequested.exchange(false);
  bytesReceived.store(0);
  bytesTotal.store(0);
  const std::uint32_t error =
      workerThread.Start([](void* self) { static_cast<SetupWorker*>(self)->Run(); }, this);
  if (error != 0) {
    // No run exists to report anything, and the window has no other path for this: show the
    // failure screen through the same message a failed launch sends.
    Post(WM_SETUP_FAILED, static_cast<std::uintptr_t>(FailureKind::LaunchFailed),
         static_cast<std::intptr_t>(error));
  }
}

void SetupWorker::Cancel() {
  // The flag goes up before the request is taken: the worker either finds it right after
  // publishing a request, or has its blocked call on that request fail after we close it.
  cancelRequested.exchange(true);
  const HttpHandle request = activeRequest.exchange(0);
  if (request != 0) {
    platform.http.WinHttpCloseHandle(request);
  }
  workerThread.Join();
}

void SetupWorker::Run() {
  std::uint32_t error = 0;

  if (stagingDir.empty() && !CreateStagingDirectory(error)) {
    Post(WM_SETUP_FAILED, static_cast<std::uintptr_t>(FailureKind::LaunchFailed),
         static_cast<std::intptr_t>(error));
    return;
  }

  verifiedFile.reset();

  DownloadResult result = Download(true, error);
  if (result == DownloadResult::Failed && !cancelRequested.load()) {
    result = Download(false, error);
  }
  if (result == DownloadResult::Cancelled || cancelRequested.load()) {
    return;  // a cancel is never reported
  }
  if (result == DownloadResult::Failed) {
    Post(WM_SETUP_FAILED, static_cast<std::uintptr_t>(FailureKind::DownloadFailed),
         static_cast<std::intptr_t>(error));
    return;
  }

  if (VerifySignature(error)) {
    // A cancel that arrived during the check must not start the installer: the window would then
    // stay blocked in Cancel's join until the installer ended.
    if (cancelRequested.load()) {
      return;
    }
    LaunchInstaller();
    return;
  }

  verifiedFile.reset();
  platform.files.DeleteFileW(installerPath);
  const bool revocationUnknown = error == kRevocationFailure || error == kRevocationOffline;
  const FailureKind kind =
      revocationUnknown ? FailureKind::DownloadFailed : FailureKind::FileDamaged;
  Post(WM_SETUP_FAILED, static_cast<std::uintptr_t>(kind), static_cast<std::intptr_t>(error));
}

void SetupWorker::ReportProgress(std::uint64_t received) {
  bytesReceived.store(received);
  if (!progressPosted.exchange(true)) {
    Post(WM_SETUP_PROGRESS, 0, 0);
  }
}
