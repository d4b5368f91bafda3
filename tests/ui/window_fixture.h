// A SetupWindow with a worker whose platform only records: threads are never really started, so
// the window logic's calls into the worker (Start, Cancel, destruction) show as lines in the same
// log as the window calls.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/setup_worker.h"
#include "platform/file_api.h"
#include "platform/http_api.h"
#include "platform/thread.h"
#include "tests/fakes/fake_window_api.h"
#include "tests/fakes/recording_poster.h"
#include "ui/setup_window.h"
#include "ui/window_messages.h"

inline constexpr WindowHandle kWindow = 7;

// What the paint of each screen writes into the button rectangles, in DIPs.
inline constexpr RectF kCloseRect{374, 0, 420, 32};
inline constexpr RectF kCancelRect{304, 192, 392, 220};
inline constexpr RectF kRetryRect{208, 192, 296, 220};

// A mouse message's lParam from client (or screen) pixels.
inline std::intptr_t PointLParam(int x, int y) {
  return static_cast<std::intptr_t>(
      (static_cast<std::uint32_t>(static_cast<std::uint16_t>(y)) << 16) |
      static_cast<std::uint16_t>(x));
}

class LoggingThreads final : public ThreadApi {
 public:
  explicit LoggingThreads(std::vector<std::string>& log) : log_(log) {}
  std::uint32_t CreateThread(const ThreadEntry&, ThreadRef& thread) override {
    log_.push_back("CreateThread");
    thread = ThreadRef{0x100, ++started_};
    return 0;
  }
  void JoinThread(const ThreadRef&) override { log_.push_back("JoinThread"); }

 private:
  std::vector<std::string>& log_;
  std::uint32_t started_ = 0;
};

class LoggingFiles final : public FileApi {
 public:
  explicit LoggingFiles(std::vector<std::string>& log) : log_(log) {}
  void CloseHandle(FileHandle) override { log_.push_back("CloseHandle"); }
  void DeleteFileW(const std::u16string&) override { log_.push_back("DeleteFileW"); }
  void RemoveDirectoryW(const std::u16string&) override { log_.push_back("RemoveDirectoryW"); }
  // The stages never run here (the threads start nothing): the rest of the interface only fails.
  std::uint32_t GetSystemWindowsDirectoryW(char16_t*, std::uint32_t, std::uint32_t&) override {
    return 0;
  }
  bool CreateDirectoryW(const std::u16string&, SecurityDescriptorHandle, std::uint32_t&) override {
    return false;
  }
  FileHandle CreateFileW(const std::u16string&, std::uint32_t, std::uint32_t, std::uint32_t,
                         std::uint32_t&) override {
    return kInvalidHandleValue;
  }
  bool WriteFile(FileHandle, const void*, std::uint32_t, std::uint32_t&, std::uint32_t&) override {
    return false;
  }
  bool GetFileSizeEx(FileHandle, std::uint64_t&, std::uint32_t&) override { return false; }
  bool ReadFileAt(FileHandle, std::uint64_t, void*, std::uint32_t, std::uint32_t&,
                  std::uint32_t&) override {
    return false;
  }

 private:
  std::vector<std::string>& log_;
};

class LoggingHttp final : public HttpApi {
 public:
  explicit LoggingHttp(std::vector<std::string>& log) : log_(log) {}
  void WinHttpCloseHandle(HttpHandle) override { log_.push_back("WinHttpCloseHandle"); }
  // The download never runs here: the rest of the interface only fails.
  HttpHandle WinHttpOpen(const std::u16string&, std::uint32_t&) override { return 0; }
  void WinHttpSetTimeouts(HttpHandle, int, int, int, int) override {}
  HttpHandle WinHttpConnect(HttpHandle, const std::u16string&, std::uint16_t,
                            std::uint32_t&) override {
    return 0;
  }
  HttpHandle WinHttpOpenRequest(HttpHandle, const std::u16string&, const std::u16string&,
                                std::uint32_t, std::uint32_t&) override {
    return 0;
  }
  void WinHttpSetOption(HttpHandle, std::uint32_t, std::uint32_t) override {}
  bool WinHttpSendRequest(HttpHandle, std::uint32_t&) override { return false; }
  bool WinHttpReceiveResponse(HttpHandle, std::uint32_t&) override { return false; }
  bool WinHttpQueryHeaders(HttpHandle, std::uint32_t, void*, std::uint32_t&,
                           std::uint32_t&) override {
    return false;
  }
  bool WinHttpQueryDataAvailable(HttpHandle, std::uint32_t&, std::uint32_t&) override {
    return false;
  }
  bool WinHttpReadData(HttpHandle, void*, std::uint32_t, std::uint32_t&, std::uint32_t&) override {
    return false;
  }
  bool WinHttpCrackUrl(const std::u16string&, CrackedUrl&) override { return false; }

 private:
  std::vector<std::string>& log_;
};

// Never run: the logging threads start nothing.
class IdleStages final : public PipelineStages {
 public:
  bool CreateStagingDirectory(SetupWorker&, std::uint32_t&) override { return false; }
  DownloadResult Download(SetupWorker&, bool, std::uint32_t&) override {
    return DownloadResult::Failed;
  }
  bool VerifySignature(SetupWorker&, std::uint32_t&) override { return false; }
  void LaunchInstaller(SetupWorker&) override {}
};

// A stand-in COM object: its release writes "Release <name>" to the log.
struct FakeComObject {
  std::vector<std::string>* log;
  const char* name;
};

template <class Interface>
void ReleaseFake(Interface* object) {
  auto* fake = reinterpret_cast<FakeComObject*>(object);
  fake->log->push_back(std::string("Release ") + fake->name);
}

template <class Interface>
void AttachFake(ComHolder<Interface>& holder, FakeComObject& object) {
  holder.attach(reinterpret_cast<Interface*>(&object), &ReleaseFake<Interface>);
}

struct WindowFixture {
  WindowFixture() { window.hwnd = kWindow; }

  // A worker whose thread is running (as after RunSetup's Start).
  void AddStartedWorker() {
    window.worker = std::make_unique<SetupWorker>(kWindow, workerPlatform, stages);
    window.worker->Start();
    log.clear();
  }

  // The rectangles the last paint of `phase`'s screen left.
  void PaintedAs(UiPhase phase) {
    window.closeRect = kCloseRect;
    window.retryRect = phase == UiPhase::Failed ? kRetryRect : RectF{};
    window.cancelRect = phase == UiPhase::Starting ? RectF{} : kCancelRect;
  }

  std::optional<std::intptr_t> Send(std::uint32_t message, std::uintptr_t wParam = 0,
                                    std::intptr_t lParam = 0) {
    return HandleWindowMessage(window, api, kWindow, message, wParam, lParam);
  }

  // Press and release at one client-pixel point.
  void Click(int x, int y) {
    Send(kWmLButtonDown, 1, PointLParam(x, y));
    Send(kWmLButtonUp, 0, PointLParam(x, y));
  }

  bool Logged(const std::string& line) const {
    for (const std::string& entry : log) {
      if (entry == line) {
        return true;
      }
    }
    return false;
  }

  std::vector<std::string> log;
  std::vector<std::string> events;  // NotifyWinEvent, apart from the window's other calls
  FakeWindowApi api{log, events};
  RecordingPoster poster;
  LoggingThreads threads{log};
  LoggingFiles files{log};
  LoggingHttp http{log};
  IdleStages stages;
  WorkerPlatform workerPlatform{poster, threads, files, http};
  // Last, so it goes first: the worker must not outlive the fakes it calls.
  SetupWindow window;
};
