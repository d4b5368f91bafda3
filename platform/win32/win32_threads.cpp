#include "platform/win32/win32_threads.h"

#include <windows.h>

namespace {

DWORD WINAPI ThreadTrampoline(LPVOID parameter) {
  const auto* entry = static_cast<const ThreadEntry*>(parameter);
  entry->body(entry->context);
  return 0;
}

}  // namespace

void Win32MessagePoster::PostMessageW(WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam) {
  ::PostMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam);
}

std::uint32_t Win32ThreadApi::CreateThread(const ThreadEntry& entry, ThreadRef& thread) {
  DWORD id = 0;
  HANDLE handle =
      ::CreateThread(nullptr, 0, ThreadTrampoline, const_cast<ThreadEntry*>(&entry), 0, &id);
  if (handle == nullptr) {
    return ::GetLastError();
  }
  thread.handle = reinterpret_cast<std::uintptr_t>(handle);
  thread.id = id;
  return 0;
}

void Win32ThreadApi::JoinThread(const ThreadRef& thread) {
  HANDLE handle = reinterpret_cast<HANDLE>(thread.handle);
  ::WaitForSingleObject(handle, INFINITE);
  ::CloseHandle(handle);
}
