// SetupWorker: the install pipeline, run off the UI thread. It reports only by posting the
// WM_SETUP_* messages to notifyWindow and by the atomic progress counters the window reads when
// it paints. The UI thread drives it with Start, Cancel and destruction, nothing else.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "pipeline/download_result.h"
#include "pipeline/pipeline_stages.h"
#include "platform/file_api.h"
#include "platform/handles.h"
#include "platform/http_api.h"
#include "platform/message_poster.h"
#include "platform/thread.h"

// Who has the last word on a run once its file has passed the signature check: the UI thread's
// Cancel or the worker's launch. Whichever moves it away from Open first wins; the loser sees the
// winner's value and backs off.
enum class LaunchDecision : std::uint8_t {
  Open = 0,       // neither has happened yet in this run
  Cancelled = 1,  // Cancel won: the run must not start the installer
  Launching = 2,  // the worker committed to starting the installer: a cancel no longer applies
};

// What the worker itself calls on the platform; the stages bring their own.
struct WorkerPlatform {
  MessagePoster& messages;
  ThreadApi& threads;
  FileApi& files;
  HttpApi& http;
};

// The two signature-check results that mean "revocation could not be checked" rather than "bad
// file" (CERT_E_REVOCATION_FAILURE, CRYPT_E_REVOCATION_OFFLINE): reported as a download failure,
// so the user is told to check the connection.
inline constexpr std::uint32_t kRevocationFailure = 0x800B010E;
inline constexpr std::uint32_t kRevocationOffline = 0x80092013;

// A plain record: the stages read and write its fields directly. Thread rules per field:
// the atomics are shared; every other field is touched by the worker thread only while a run is
// active, and by the UI thread only before the first run or after the thread has been joined.
struct SetupWorker {
  // UI thread. No thread exists until Start.
  SetupWorker(WindowHandle window, const WorkerPlatform& platform, PipelineStages& stages);
  SetupWorker(const SetupWorker&) = delete;
  SetupWorker& operator=(const SetupWorker&) = delete;
  // UI thread. Cancels and always joins (after a launch that won, that waits for the installer),
  // then closes the held file, deletes the staged file and removes the staging directory when
  // nothing else is left in it.
  ~SetupWorker();

  // UI thread. Joins the previous run, reopens the launch decision, clears the flag and counters,
  // starts a new run. When the thread cannot be created, the window is told as a launch failure
  // with the system's code.
  void Start();
  // UI thread. Tries to win the launch decision first. When the worker has already committed to
  // the launch it returns false at once, having changed nothing: no flag, no close, no join (that
  // would last until the installer ends, and the UI thread must keep handling messages). Otherwise
  // it raises the flag, closes the open HTTP request so a blocked call fails at once, waits until
  // the worker thread has ended, and returns true: nothing of this run is launched or reported any
  // more.
  bool Cancel();

  // Worker thread: the pipeline driver, the body of workerThread.
  void Run();

  // The stage operations, on the worker thread.
  bool CreateStagingDirectory(std::uint32_t& error) {
    return stages.CreateStagingDirectory(*this, error);
  }
  DownloadResult Download(bool secure, std::uint32_t& error) {
    return stages.Download(*this, secure, error);
  }
  bool VerifySignature(std::uint32_t& error) { return stages.VerifySignature(*this, error); }
  void LaunchInstaller() { stages.LaunchInstaller(*this); }

  // Worker thread, after each chunk written to the staged file: publish the new count, then post
  // WM_SETUP_PROGRESS unless one is still waiting in the window's queue.
  void ReportProgress(std::uint64_t received);

  // Worker thread (also Start on the UI thread): PostMessageW to notifyWindow, result ignored.
  void Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    platform.messages.PostMessageW(notifyWindow, message, wParam, lParam);
  }

  const WorkerPlatform platform;
  PipelineStages& stages;

  const WindowHandle notifyWindow;
  JoinableThread workerThread;
  std::atomic<bool> cancelRequested{false};
  // Decides between Cancel and the launch. While a worker thread may exist it is changed only by
  // compare-exchange from Open (Cancel to Cancelled on the UI thread, Run to Launching on the
  // worker thread, right before LaunchInstaller), so exactly one of them wins each run. Start
  // stores Open while no worker thread exists. Cancel moves it before it raises cancelRequested,
  // so a raised flag always comes with Cancelled.
  std::atomic<LaunchDecision> launchDecision{LaunchDecision::Open};
  // The open WinHTTP request, or 0. Changed only by exchange: whoever takes a handle out closes it,
  // so every published request is closed exactly once.
  std::atomic<HttpHandle> activeRequest{0};
  // Whole 64-bit atomics: the process is 32-bit and a torn read would paint a wrong size.
  std::atomic<std::uint64_t> bytesReceived{0};
  std::atomic<std::uint64_t> bytesTotal{0};
  // True from posting a WM_SETUP_PROGRESS until the window takes it out of its queue.
  std::atomic<bool> progressPosted{false};
  // Both empty, or both set for the rest of the object's life; a new run reuses them.
  std::u16string stagingDir;
  std::u16string installerPath;
  // Held from a successful signature check until the end, so the file that passed is the file
  // that is started.
  UniqueFile verifiedFile;
};

static_assert(std::atomic<std::uint64_t>::is_always_lock_free,
              "the progress counters must be read and written whole");
static_assert(std::atomic<HttpHandle>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free && sizeof(std::atomic<bool>) == 1);
static_assert(std::atomic<LaunchDecision>::is_always_lock_free &&
              sizeof(std::atomic<LaunchDecision>) == 1);
