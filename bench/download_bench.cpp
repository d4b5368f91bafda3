// Download throughput of the real download stage (WinHTTP, the chunk loop, the staged file):
// one plain-HTTP attempt against the download host, timed inside the program so that Wine's
// start-up is not counted. Prints "bytes milliseconds result error". Run by bench/run_bench.py.
#include <windows.h>

#include <cstdio>
#include <string>

#include "pipeline/build_settings.h"
#include "tests/win32/pipeline_services.h"

int wmain() {
  Win32StageServices s(StageSettings{kDownloadHost, u"", ""});
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  s.worker.stagingDir = FromWide(temp) + u"VorneDownloadBench";
  ::CreateDirectoryW(WidePtr(s.worker.stagingDir), nullptr);
  s.worker.installerPath = s.worker.stagingDir + u"\\VorneSandboxInstall.exe";

  LARGE_INTEGER frequency, begin, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&begin);
  std::uint32_t error = 0;
  const DownloadResult result = s.stages.Download(s.worker, false, error);
  ::QueryPerformanceCounter(&end);
  const double ms = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                    static_cast<double>(frequency.QuadPart);
  std::printf("%llu %.1f %u %u\n", static_cast<unsigned long long>(s.worker.bytesReceived.load()),
              ms, static_cast<unsigned>(result), error);
  ::DeleteFileW(WidePtr(s.worker.installerPath));
  ::RemoveDirectoryW(WidePtr(s.worker.stagingDir));
  return result == DownloadResult::Completed ? 0 : 1;
}
