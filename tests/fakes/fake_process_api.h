// A scripted process launcher: records how the installer was started, what was waited for and
// which handles were closed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/process_api.h"

class EventLog;

inline constexpr ProcessHandle kFakeProcess = 0x9100;
inline constexpr ProcessHandle kFakeThread = 0x9200;

struct ProcessStart {
  std::u16string applicationName;
  std::u16string commandLine;
  std::u16string currentDirectory;
};

class FakeProcessApi final : public ProcessApi {
 public:
  std::u16string GetCommandLineW() override;
  bool CreateProcessW(const std::u16string& applicationName, std::u16string& commandLine,
                      const std::u16string& currentDirectory, ProcessHandle& process,
                      ProcessHandle& thread, std::uint32_t& error) override;
  std::uint32_t WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) override;
  std::uint32_t WaitForSingleObject(ProcessHandle process, std::uint32_t milliseconds) override;
  bool GetExitCodeProcess(ProcessHandle process, std::uint32_t& exitCode) override;
  void CloseHandle(ProcessHandle handle) override;

  // Scripting.
  std::u16string commandLine = u"\"C:\\Users\\me\\Downloads\\VorneSandboxSetup.exe\"";
  std::uint32_t createError = 0;  // non-zero: creation fails with it
  ProcessHandle processHandle = kFakeProcess;
  ProcessHandle threadHandle = kFakeThread;
  std::uint32_t inputIdleResult = 0;  // 0 ready, 0x102 timed out, 0xFFFFFFFF failed
  bool exitCodeReadable = true;
  std::uint32_t exitCode = 0;
  EventLog* log = nullptr;

  // Inspection.
  std::vector<ProcessStart> starts;
  std::vector<std::pair<ProcessHandle, std::uint32_t>> inputIdleWaits;
  std::vector<std::pair<ProcessHandle, std::uint32_t>> objectWaits;
  std::vector<ProcessHandle> closed;
};
