#include "platform/win32/win32_process.h"

#include <windows.h>

#include "platform/win32/wide.h"

static_assert(kInfinite == INFINITE);

std::u16string Win32ProcessApi::GetCommandLineW() {
  return std::u16string(reinterpret_cast<const char16_t*>(::GetCommandLineW()));
}

bool Win32ProcessApi::CreateProcessW(const std::u16string& applicationName,
                                     std::u16string& commandLine,
                                     const std::u16string& currentDirectory, ProcessHandle& process,
                                     ProcessHandle& thread, std::uint32_t& error) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  // CreateProcessW may write into the command line, hence the caller's own writable buffer.
  if (!::CreateProcessW(WidePtr(applicationName), reinterpret_cast<wchar_t*>(commandLine.data()),
                        nullptr, nullptr, FALSE, 0, nullptr, WidePtr(currentDirectory), &startup,
                        &info)) {
    error = ::GetLastError();
    return false;
  }
  process = reinterpret_cast<ProcessHandle>(info.hProcess);
  thread = reinterpret_cast<ProcessHandle>(info.hThread);
  return true;
}

std::uint32_t Win32ProcessApi::WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) {
  return ::WaitForInputIdle(reinterpret_cast<HANDLE>(process), milliseconds);
}

std::uint32_t Win32ProcessApi::WaitForSingleObject(ProcessHandle process,
                                                   std::uint32_t milliseconds) {
  return ::WaitForSingleObject(reinterpret_cast<HANDLE>(process), milliseconds);
}

bool Win32ProcessApi::GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) {
  DWORD code = 0;
  if (!::GetExitCodeProcess(reinterpret_cast<HANDLE>(process), &code)) {
    return false;
  }
  exitCode = code;
  return true;
}

void Win32ProcessApi::CloseHandle(ProcessHandle handle) {
  ::CloseHandle(reinterpret_cast<HANDLE>(handle));
}
