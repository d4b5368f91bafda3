#include "platform/win32/win32_http.h"

#include <windows.h>
#include <winhttp.h>

void Win32HttpApi::WinHttpCloseHandle(HttpHandle handle) {
  ::WinHttpCloseHandle(reinterpret_cast<HINTERNET>(handle));
}
