// Small helpers shared by the test programs that run the Windows code under Wine.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/wide.h"

inline std::u16string FromWide(const wchar_t* text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text));
}

inline bool PathExists(const std::u16string& path) {
  return ::GetFileAttributesW(WidePtr(path)) != INVALID_FILE_ATTRIBUTES;
}

// A message-only window on the calling thread: what a worker posts to it queues up there.
inline HWND MakeMessageWindow(const wchar_t* className) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = className;
  ::RegisterClassExW(&wc);  // fails harmlessly when the class exists already
  return ::CreateWindowExW(0, className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                           nullptr);
}
