// The Windows implementations of the platform interfaces. Each call translates and forwards; the
// rules live in the portable code.
#pragma once

#include "platform/file_api.h"
#include "platform/http_api.h"
#include "platform/message_poster.h"
#include "platform/thread.h"

class Win32MessagePoster final : public MessagePoster {
 public:
  void PostMessageW(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                    std::intptr_t lParam) override;
};

// CreateThread rather than std::thread: the exe then carries no winpthreads.
class Win32ThreadApi final : public ThreadApi {
 public:
  std::uint32_t CreateThread(const ThreadEntry& entry, ThreadRef& thread) override;
  void JoinThread(const ThreadRef& thread) override;
};

class Win32FileApi final : public FileApi {
 public:
  void CloseHandle(FileHandle file) override;
  void DeleteFileW(const std::u16string& path) override;
  void RemoveDirectoryW(const std::u16string& path) override;
};

class Win32HttpApi final : public HttpApi {
 public:
  void WinHttpCloseHandle(HttpHandle handle) override;
};
