// The worker on the real Windows pieces: CreateThread, PostMessageW into a real message queue,
// and real files and directories, with stages scripted on top of real file operations.
#include <windows.h>
#include <winhttp.h>

#include <string>
#include <vector>

#include "pipeline/setup_messages.h"
#include "pipeline/setup_worker.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_threads.h"
#include "tests/win32/harness.h"
#include "tests/win32/win32_test_util.h"

namespace {

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

// Plays the window: collects setup messages until one that ends a run, clearing the progress
// flag for each progress message as the window procedure does.
std::vector<Received> PumpRun(HWND window, SetupWorker& worker) {
  std::vector<Received> received;
  const ULONGLONG deadline = ::GetTickCount64() + 20000;
  while (::GetTickCount64() < deadline) {
    MSG msg;
    if (!::PeekMessageW(&msg, window, 0, 0, PM_REMOVE)) {
      ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLPOSTMESSAGE);
      continue;
    }
    if (msg.message < WM_SETUP_PROGRESS || msg.message > WM_SETUP_EXIT) {
      continue;
    }
    received.push_back(Received{msg.message, msg.wParam, msg.lParam});
    if (msg.message == WM_SETUP_PROGRESS) {
      worker.progressPosted.exchange(false);
    }
    if (msg.message == WM_SETUP_FAILED || msg.message == WM_SETUP_EXIT) {
      break;
    }
  }
  return received;
}

// Stages over real files: a staging directory under %TEMP%, a "download" written in chunks with
// progress, a check that holds the file open for reading, and a launch that only reports.
class FileStages final : public PipelineStages {
 public:
  explicit FileStages(std::uint32_t verifyResult) : verifyResult_(verifyResult) {}

  bool CreateStagingDirectory(SetupWorker& worker, std::uint32_t& error) override {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::u16string dir = FromWide(temp) + u"VorneSandboxSetup.test" +
                         FromWide(std::to_wstring(::GetCurrentProcessId()).c_str());
    if (!::CreateDirectoryW(WidePtr(dir), nullptr)) {
      error = ::GetLastError();
      return false;
    }
    worker.stagingDir = dir;
    worker.installerPath = dir + u"\\VorneSandboxInstall.exe";
    return true;
  }

  DownloadResult Download(SetupWorker& worker, bool, std::uint32_t& error) override {
    HANDLE file = ::CreateFileW(WidePtr(worker.installerPath), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      error = ::GetLastError();
      return DownloadResult::Failed;
    }
    static char chunk[65536];
    worker.bytesTotal.store(sizeof(chunk) * 8);
    worker.bytesReceived.store(0);
    for (int i = 1; i <= 8; ++i) {
      DWORD written = 0;
      ::WriteFile(file, chunk, sizeof(chunk), &written, nullptr);
      worker.ReportProgress(static_cast<std::uint64_t>(i) * sizeof(chunk));
    }
    ::CloseHandle(file);
    return DownloadResult::Completed;
  }

  bool VerifySignature(SetupWorker& worker, std::uint32_t& error) override {
    HANDLE file = ::CreateFileW(WidePtr(worker.installerPath), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    worker.verifiedFile.reset(reinterpret_cast<FileHandle>(file));
    if (!worker.verifiedFile) {
      error = ::GetLastError();
      return false;
    }
    error = verifyResult_;
    return verifyResult_ == 0;
  }

  void LaunchInstaller(SetupWorker& worker) override {
    worker.Post(WM_SETUP_STARTING, 0, 0);
    worker.Post(WM_SETUP_HIDE, 0, 0);
    worker.Post(WM_SETUP_EXIT, 3010, 0);
  }

 private:
  std::uint32_t verifyResult_;
};

struct Win32Services {
  Win32MessagePoster poster;
  Win32ThreadApi threads;
  Win32FileApi files;
  Win32HttpApi http;
  WorkerPlatform Platform() { return WorkerPlatform{poster, threads, files, http}; }
};

WINE_TEST(SuccessfulRunPostsInOrderAndDestructionRemovesEverything) {
  HWND window = MakeMessageWindow(L"VorneWorkerTest");
  CHECK(window != nullptr);
  Win32Services s;
  FileStages stages(0);
  std::u16string dir, installer;
  {
    SetupWorker worker(reinterpret_cast<WindowHandle>(window), s.Platform(), stages);
    worker.Start();
    const std::vector<Received> got = PumpRun(window, worker);
    CHECK(got.size() >= 4);
    if (got.size() >= 4) {
      CHECK_EQ(got[0].message, WM_SETUP_PROGRESS);
      const std::size_t n = got.size();
      CHECK_EQ(got[n - 3].message, WM_SETUP_STARTING);
      CHECK_EQ(got[n - 2].message, WM_SETUP_HIDE);
      CHECK_EQ(got[n - 1].message, WM_SETUP_EXIT);
      CHECK_EQ(got[n - 1].wParam, 3010);
    }
    dir = worker.stagingDir;
    installer = worker.installerPath;
    CHECK(PathExists(installer));
    // The verified file is held: nobody can delete it while the setup runs.
    CHECK(!::DeleteFileW(WidePtr(installer)));
  }
  CHECK(!PathExists(installer));
  CHECK(!PathExists(dir));
  ::DestroyWindow(window);
}

WINE_TEST(RejectedFileIsClosedAndDeletedAtOnce) {
  HWND window = MakeMessageWindow(L"VorneWorkerTest");
  Win32Services s;
  FileStages stages(0x80096010);  // TRUST_E_BAD_DIGEST
  SetupWorker worker(reinterpret_cast<WindowHandle>(window), s.Platform(), stages);
  worker.Start();
  const std::vector<Received> got = PumpRun(window, worker);
  CHECK(!got.empty());
  if (!got.empty()) {
    CHECK_EQ(got.back().message, WM_SETUP_FAILED);
    CHECK_EQ(got.back().wParam, static_cast<WPARAM>(FailureKind::FileDamaged));
    CHECK_EQ(static_cast<std::uint32_t>(got.back().lParam), 0x80096010u);
  }
  worker.Cancel();
  // Deleting a file that is still open without delete sharing would have failed.
  CHECK(!PathExists(worker.installerPath));
  CHECK(PathExists(worker.stagingDir));
  ::DestroyWindow(window);
}

WINE_TEST(ExtraFilesKeepTheStagingDirectory) {
  HWND window = MakeMessageWindow(L"VorneWorkerTest");
  Win32Services s;
  FileStages stages(0);
  std::u16string dir, extra;
  {
    SetupWorker worker(reinterpret_cast<WindowHandle>(window), s.Platform(), stages);
    worker.Start();
    PumpRun(window, worker);
    dir = worker.stagingDir;
    extra = dir + u"\\left-behind.txt";
    HANDLE file = ::CreateFileW(WidePtr(extra), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    CHECK(file != INVALID_HANDLE_VALUE);
    ::CloseHandle(file);
  }
  CHECK(PathExists(dir));
  CHECK(PathExists(extra));
  ::DeleteFileW(WidePtr(extra));
  ::RemoveDirectoryW(WidePtr(dir));
  ::DestroyWindow(window);
}

WINE_TEST(CancelClosesAPublishedWinHttpRequest) {
  Win32Services s;
  FileStages stages(0);
  SetupWorker worker(0, s.Platform(), stages);
  HINTERNET session = ::WinHttpOpen(L"test", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME,
                                    WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connection = ::WinHttpConnect(session, L"127.0.0.1", 9, 0);
  HINTERNET request = ::WinHttpOpenRequest(connection, L"GET", L"/", nullptr, WINHTTP_NO_REFERER,
                                           WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
  CHECK(request != nullptr);
  worker.activeRequest.exchange(reinterpret_cast<HttpHandle>(request));
  worker.Cancel();
  CHECK_EQ(worker.activeRequest.load(), 0);
  // The handle is gone: a query on it now fails with ERROR_INVALID_HANDLE.
  DWORD status = 0;
  DWORD size = sizeof(status);
  CHECK(!::WinHttpQueryOption(request, WINHTTP_OPTION_SECURITY_FLAGS, &status, &size));
  CHECK_EQ(::GetLastError(), ERROR_INVALID_HANDLE);
  ::WinHttpCloseHandle(connection);
  ::WinHttpCloseHandle(session);
}

}  // namespace
