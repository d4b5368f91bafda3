// The baseline for the download benchmark: the fastest plain use of WinHTTP on the same URL
// (65536-byte WinHttpReadData calls, no WinHttpQueryDataAvailable, nothing written), so the
// stage's own cost can be told from WinHTTP's. Prints "bytes milliseconds".
#include <windows.h>
#include <winhttp.h>

#include <cstdio>

#include "pipeline/build_settings.h"

int wmain() {
  HINTERNET session = ::WinHttpOpen(L"bench", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                    WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0);
  HINTERNET connection =
      ::WinHttpConnect(session, reinterpret_cast<const wchar_t*>(kDownloadHost), 80, 0);
  HINTERNET request =
      ::WinHttpOpenRequest(connection, L"GET", L"/upd/VorneSandboxInstall.exe", nullptr,
                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0);
  LARGE_INTEGER frequency, begin, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&begin);
  unsigned long long total = 0;
  if (::WinHttpSendRequest(request, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0,
                           0) &&
      ::WinHttpReceiveResponse(request, nullptr)) {
    static char buffer[65536];
    DWORD read = 0;
    while (::WinHttpReadData(request, buffer, sizeof(buffer), &read) && read > 0) {
      total += read;
    }
  }
  ::QueryPerformanceCounter(&end);
  std::printf("%llu %.1f\n", total,
              1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                  static_cast<double>(frequency.QuadPart));
  ::WinHttpCloseHandle(request);
  ::WinHttpCloseHandle(connection);
  ::WinHttpCloseHandle(session);
  return 0;
}
