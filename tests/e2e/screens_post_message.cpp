// Test tooling for the screen tests: posts one message to the setup's window, found by its class
// name, as the worker thread would. It puts the window on a screen without waiting for the
// pipeline to get there (the failure kinds, the installer starting).
//
//   screens_post_message.exe <message> <wParam> <lParam>   (decimal or 0x hex)
//
// Exits 0 when the message was posted, 1 when there is no such window or the post failed.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: screens_post_message <message> <wParam> <lParam>\n");
    return 2;
  }
  const UINT message = static_cast<UINT>(std::wcstoul(argv[1], nullptr, 0));
  const WPARAM wParam = static_cast<WPARAM>(std::wcstoul(argv[2], nullptr, 0));
  const LPARAM lParam = static_cast<LPARAM>(std::wcstoul(argv[3], nullptr, 0));
  const HWND window = ::FindWindowW(L"VorneSandboxSetup", nullptr);
  if (window == nullptr) {
    std::fprintf(stderr, "no VorneSandboxSetup window\n");
    return 1;
  }
  return ::PostMessageW(window, message, wParam, lParam) ? 0 : 1;
}
