// How long one paint of each screen takes on the real Direct2D and DirectWrite: a 420 x 236 window
// of its own, the real string tables and number settings, many paints per screen, the median and
// the 90th percentile printed in milliseconds. Needs a display (run by bench/run.sh under Xvfb).
//
//   paint_bench.exe [paints per screen]
#include <d2d1.h>
#include <dwrite.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>
#include <vector>

#include "pipeline/setup_worker.h"
#include "platform/win32/com_release.h"
#include "platform/win32/win32_d2d.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_locale.h"
#include "platform/win32/win32_resources.h"
#include "platform/win32/win32_threads.h"
#include "render/paint.h"
#include "ui/setup_window.h"

namespace {

// Never run: the bench only needs the worker's counters.
class NoStages final : public PipelineStages {
 public:
  bool CreateStagingDirectory(SetupWorker&, std::uint32_t&) override { return false; }
  DownloadResult Download(SetupWorker&, bool, std::uint32_t&) override {
    return DownloadResult::Failed;
  }
  bool VerifySignature(SetupWorker&, std::uint32_t&) override { return false; }
  void LaunchInstaller(SetupWorker&) override {}
};

HWND MakeWindow() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VornePaintBench";
  ::RegisterClassExW(&wc);
  return ::CreateWindowExW(0, wc.lpszClassName, L"paint bench", WS_POPUP | WS_VISIBLE, 0, 0, 420,
                           236, nullptr, nullptr, wc.hInstance, nullptr);
}

// Lets Wine map and expose the window, as a message loop would between paints.
void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::DispatchMessageW(&msg);
  }
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER frequency) {
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 /
         static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const int paints =
      argc > 1 ? std::max(1, static_cast<int>(std::wcstol(argv[1], nullptr, 10))) : 300;
  SetupWindow window;
  if (FAILED(::D2D1CreateFactory(
          D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
          reinterpret_cast<void**>(window.d2dFactory.put(&ReleaseCom<ID2D1Factory>)))) ||
      FAILED(::DWriteCreateFactory(
          DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
          reinterpret_cast<IUnknown**>(window.writeFactory.put(&ReleaseCom<IDWriteFactory>))))) {
    std::printf("paint bench: no drawing factories\n");
    return 1;
  }
  const HWND hwnd = MakeWindow();
  if (hwnd == nullptr) {
    std::printf("paint bench: no window (is there a display?)\n");
    return 1;
  }
  window.hwnd = reinterpret_cast<WindowHandle>(hwnd);

  Win32MessagePoster poster;
  Win32ThreadApi threads;
  Win32FileApi files;
  Win32HttpApi http;
  NoStages stages;
  window.worker = std::make_unique<SetupWorker>(
      window.hwnd, WorkerPlatform{poster, threads, files, http}, stages);
  window.worker->bytesReceived = 157286400;  // 150.0 of 512.0 MB
  window.worker->bytesTotal = 536870912;

  Win32RenderApi render;
  Win32ResourceApi resources(reinterpret_cast<InstanceHandle>(::GetModuleHandleW(nullptr)));
  Win32LocaleApi locale;
  const RenderPlatform platform{render, render, resources, locale};

  struct Screen {
    const char* name;
    UiPhase phase;
    FailureKind kind;
  };
  const Screen screens[] = {{"Downloading", UiPhase::Downloading, FailureKind::DownloadFailed},
                            {"Starting", UiPhase::Starting, FailureKind::DownloadFailed},
                            {"Failed (launch)", UiPhase::Failed, FailureKind::LaunchFailed}};
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  std::printf("paint bench: %d paints per screen, 420 x 236 at %u DPI\n", paints,
              ::GetDpiForWindow(hwnd));
  for (const Screen& screen : screens) {
    window.phase = screen.phase;
    window.failureKind = screen.kind;
    window.errorCode = 0x80004005;
    for (int i = 0; i < 10; ++i) {
      PumpMessages();
      Paint(window, platform);  // warm-up: target, brush, glyph caches
    }
    std::vector<double> times;
    for (int i = 0; i < paints; ++i) {
      PumpMessages();
      LARGE_INTEGER start;
      LARGE_INTEGER end;
      ::QueryPerformanceCounter(&start);
      Paint(window, platform);
      ::QueryPerformanceCounter(&end);
      times.push_back(Milliseconds(start, end, frequency));
    }
    std::sort(times.begin(), times.end());
    std::printf("  %-16s median %.3f ms, p90 %.3f ms, min %.3f ms\n", screen.name,
                times[times.size() / 2], times[times.size() * 9 / 10], times.front());
  }
  ::DestroyWindow(hwnd);
  return 0;
}
