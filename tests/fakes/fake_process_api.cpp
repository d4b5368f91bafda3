#include "tests/fakes/fake_process_api.h"

#include "tests/fakes/event_log.h"

std::u16string FakeProcessApi::GetCommandLineW() {
  return commandLine;
}

bool FakeProcessApi::CreateProcessW(const std::u16string& applicationName, std::u16string& line,
                                    const std::u16string& currentDirectory, ProcessHandle& process,
                                    ProcessHandle& thread, std::uint32_t& error) {
  starts.push_back(ProcessStart{applicationName, line, currentDirectory});
  if (log != nullptr) {
    log->Add("CreateProcessW");
  }
  if (createError != 0) {
    error = createError;
    return false;
  }
  process = processHandle;
  thread = threadHandle;
  return true;
}

std::uint32_t FakeProcessApi::WaitForInputIdle(ProcessHandle process, std::uint32_t milliseconds) {
  inputIdleWaits.emplace_back(process, milliseconds);
  if (log != nullptr) {
    log->Add("WaitForInputIdle");
  }
  return inputIdleResult;
}

std::uint32_t FakeProcessApi::WaitForSingleObject(ProcessHandle process,
                                                  std::uint32_t milliseconds) {
  objectWaits.emplace_back(process, milliseconds);
  if (log != nullptr) {
    log->Add("WaitForSingleObject");
  }
  return 0;
}

bool FakeProcessApi::GetExitCodeProcess(ProcessHandle, std::uint32_t& code) {
  if (log != nullptr) {
    log->Add("GetExitCodeProcess");
  }
  if (!exitCodeReadable) {
    code = 0xDEADBEEF;  // Windows leaves no promise about the value on failure
    return false;
  }
  code = exitCode;
  return true;
}

void FakeProcessApi::CloseHandle(ProcessHandle handle) {
  closed.push_back(handle);
  if (log != nullptr) {
    log->Add("CloseHandle process");
  }
}
