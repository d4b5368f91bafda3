#include "pipeline/setup_worker.h"

#include "pipeline/setup_messages.h"

SetupWorker::SetupWorker(WindowHandle window, const WorkerPlatform& platform_,
                         PipelineStages& stages_)
    : platform(platform_),
      stages(stages_),
      notifyWindow(window),
      workerThread(platform_.threads),
      verifiedFile(platform_.files) {}

SetupWorker::~SetupWorker() {
  // A Cancel that lost to the launch does not join; the staged file and the held handle are the
  // run's until its thread has ended, so wait for it here either way.
  Cancel();
  workerThread.Join();
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
  // No worker thread exists here, so a plain store cannot race either side's compare-exchange.
  launchDecision.store(LaunchDecision::Open);
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

bool SetupWorker::Cancel() {
  // The decision comes first: once the worker has committed to the launch, a join would hold the
  // UI thread until the installer ends. Losing leaves everything as it is; a second Cancel (the
  // decision already Cancelled) goes on like the first.
  LaunchDecision seen = LaunchDecision::Open;
  if (!launchDecision.compare_exchange_strong(seen, LaunchDecision::Cancelled) &&
      seen == LaunchDecision::Launching) {
    return false;
  }
  // The flag goes up before the request is taken: the worker either finds it right after
  // publishing a request, or has its blocked call on that request fail after we close it.
  cancelRequested.exchange(true);
  const HttpHandle request = activeRequest.exchange(0);
  if (request != 0) {
    platform.http.WinHttpCloseHandle(request);
  }
  workerThread.Join();
  return true;
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
    // The commit: from here on a Cancel returns without waiting, and the window ignores it. A
    // Cancel that got there first (during the check, or at any moment since the download) has
    // joined or is about to join this thread, so the run ends silently without starting anything.
    LaunchDecision seen = LaunchDecision::Open;
    if (!launchDecision.compare_exchange_strong(seen, LaunchDecision::Launching)) {
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
