// Starting the installer and waiting for it on Windows.
#pragma once

#include "platform/process_api.h"

class Win32ProcessApi final : public ProcessApi {
 public:
  std::u16string GetCommandLineW() override;
  bool CreateProcessW(const std::u16string& applicationName, std::u16string& commandLine,
                      const std::u16string& currentDirectory, ProcessHandle& process,
                      ProcessHandle& thread, std::uint32_t& error) override;
  std::uint32_t WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) override;
  std::uint32_t WaitForSingleObject(ProcessHandle process, std::uint32_t milliseconds) override;
  bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override;
  void CloseHandle(ProcessHandle handle) override;
};
