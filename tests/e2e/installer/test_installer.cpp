// A stand-in for the product installer, for the tests and the demo. It records how it was started
// and whether its own file is protected, then ends with the exit code it was told.
//
// Arguments, found anywhere on its command line: /exit=N (decimal or 0x hex; default 0) and
// /sleep=MS (wait before ending). The record goes to the file named by the environment variable
// VORNE_TEST_RECORD (the setup passes its environment on), else %TEMP%\VorneTestInstaller.txt,
// as UTF-16LE lines key=value.
#include <windows.h>

#include <cwchar>
#include <string>

namespace {

unsigned long NumberAfter(const std::wstring& line, const wchar_t* key, unsigned long fallback) {
  const std::size_t at = line.find(key);
  if (at == std::wstring::npos) {
    return fallback;
  }
  return std::wcstoul(line.c_str() + at + std::wcslen(key), nullptr, 0);
}

// 0 when the open succeeded, else its error code.
DWORD Probe(const wchar_t* path, DWORD access) {
  HANDLE file = ::CreateFileW(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return ::GetLastError();
  }
  ::CloseHandle(file);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // A message queue that is looked at once: the setup's WaitForInputIdle then returns at once.
  MSG msg;
  ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);

  const std::wstring line = ::GetCommandLineW();
  const unsigned long exitCode = NumberAfter(line, L"/exit=", 0);
  const unsigned long sleep = NumberAfter(line, L"/sleep=", 0);

  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  wchar_t directory[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, directory);
  // Under Wine a running program cannot be opened for writing by anyone, so that probe proves
  // little; opening for DELETE with full sharing fails (32) only while another handle without
  // FILE_SHARE_DELETE is open, such as the setup's.
  const DWORD writeProbe = Probe(self, GENERIC_WRITE);
  const DWORD deleteProbe = Probe(self, DELETE);

  if (sleep > 0) {
    ::Sleep(sleep);
  }

  std::wstring record;
  record += L"command_line=" + line + L"\n";
  record += L"current_directory=" + std::wstring(directory) + L"\n";
  record += L"own_path=" + std::wstring(self) + L"\n";
  record += L"write_probe=" + std::to_wstring(writeProbe) + L"\n";
  record += L"delete_probe=" + std::to_wstring(deleteProbe) + L"\n";
  record += L"exit=" + std::to_wstring(exitCode) + L"\n";

  wchar_t target[MAX_PATH] = {};
  if (::GetEnvironmentVariableW(L"VORNE_TEST_RECORD", target, MAX_PATH) == 0) {
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    std::wcscpy(target, temp);
    std::wcscat(target, L"VorneTestInstaller.txt");
  }
  HANDLE out = ::CreateFileW(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    ::WriteFile(out, record.data(), static_cast<DWORD>(record.size() * sizeof(wchar_t)), &written,
                nullptr);
    ::CloseHandle(out);
  }
  return static_cast<int>(exitCode);
}
