// Starting the installer and waiting for it (kernel32 and user32's WaitForInputIdle).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

inline constexpr std::uint32_t kInfinite = 0xFFFFFFFF;  // INFINITE

class ProcessApi {
 public:
  // The process's own command line, read anew on every call.
  virtual std::u16string GetCommandLineW() = 0;
  // No security attributes, no inheritance, creation flags 0, the caller's environment, start-up
  // information with only its size set. `commandLine` is the writable buffer Windows asks for.
  // On success both handles are returned as Windows gave them; on failure `error` is the last
  // error code right after the call.
  virtual bool CreateProcessW(const std::u16string& applicationName, std::u16string& commandLine,
                              const std::u16string& currentDirectory, ProcessHandle& process,
                              ProcessHandle& thread, std::uint32_t& error) = 0;
  // Windows' results, which the launch ignores on purpose.
  virtual std::uint32_t WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) = 0;
  virtual std::uint32_t WaitForSingleObject(ProcessHandle process, std::uint32_t milliseconds) = 0;
  // `exitCode` holds the code only when the call succeeds; after a failure its value is undefined.
  virtual bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) = 0;
  virtual void CloseHandle(ProcessHandle handle) = 0;

 protected:
  ~ProcessApi() = default;
};

// Move-only owner of a process or thread handle; INVALID_HANDLE_VALUE is taken as no handle.
class UniqueProcessHandle {
 public:
  UniqueProcessHandle(ProcessApi& api, ProcessHandle handle)
      : api_(api), handle_(NormalizeHandle(handle)) {}
  UniqueProcessHandle(const UniqueProcessHandle&) = delete;
  UniqueProcessHandle& operator=(const UniqueProcessHandle&) = delete;
  ~UniqueProcessHandle() {
    if (handle_ != 0) {
      api_.CloseHandle(handle_);
    }
  }

  ProcessHandle get() const { return handle_; }

 private:
  ProcessApi& api_;
  ProcessHandle handle_;
};
