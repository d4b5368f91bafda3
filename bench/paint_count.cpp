// How many times the window paints during one download at full speed, against the progress
// messages it handles and the chunks the worker writes: the progress hand-shake must keep the
// paints at or below the progress messages (plus the few paints of other causes). The real
// program (RunSetup with the real pipeline) runs with its message loop counted; the download host
// serves bytes that carry no signature, so the run ends on the failure screen, which this program
// then closes. Run by bench/paint_bench.py inside the download host's network namespace.
#include <windows.h>

#include <cstdio>

#include "app/win32/program.h"
#include "pipeline/setup_messages.h"

namespace {

// The real message loop, with its dispatches counted.
class CountingLoop final : public MessageLoopApi {
 public:
  explicit CountingLoop(MessageLoopApi& inner) : inner_(inner) {}

  int GetMessageW(LoopMessage& message) override { return inner_.GetMessageW(message); }
  void TranslateMessage(const LoopMessage& message) override { inner_.TranslateMessage(message); }

  void DispatchMessageW(const LoopMessage& message) override {
    if (message.message == WM_PAINT) {
      ++paints;
    } else if (message.message == WM_SETUP_PROGRESS) {
      ++progress;
      if (first == 0) {
        first = ::GetTickCount64();
      }
      last = ::GetTickCount64();
    }
    inner_.DispatchMessageW(message);
    if (message.message == WM_SETUP_FAILED) {
      failed = true;
      kind = message.wParam;
      ::PostMessageW(reinterpret_cast<HWND>(message.window), WM_CLOSE, 0, 0);
    }
  }

  int paints = 0;
  int progress = 0;
  bool failed = false;
  std::uintptr_t kind = 0;
  ULONGLONG first = 0;
  ULONGLONG last = 0;

 private:
  MessageLoopApi& inner_;
};

}  // namespace

int wmain() {
  const InstanceHandle instance = reinterpret_cast<InstanceHandle>(::GetModuleHandleW(nullptr));
  Win32Program program(instance);
  CountingLoop counting(program.loop);
  const std::uint32_t exitCode = RunSetup(program.Platform(counting), instance, SW_SHOW);
  std::printf("paint count: exit code %u, failure kind %u (1: the unsigned file)\n", exitCode,
              static_cast<unsigned>(counting.kind));
  std::printf("paint count: %d paints, %d progress messages handled in %llu ms\n", counting.paints,
              counting.progress, counting.last - counting.first);
  return counting.failed ? 0 : 1;
}
