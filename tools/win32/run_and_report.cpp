// Runs a program under Wine and writes its full 32-bit exit code to a file. Wine itself passes
// only the low 8 bits to the Linux shell (1602 would read 66), so tests and the demo start the
// setup through this program.
//   run_and_report.exe <exit-code-file> <program> [arguments...]
// The program's command line is everything after the second token, unchanged, so the setup sees
// its arguments character for character.
#include <windows.h>

#include <cstdio>

namespace {

// Skips one command-line token the way the C runtime splits argv[0]-style tokens.
const wchar_t* SkipToken(const wchar_t* p) {
  while (*p == L' ' || *p == L'\t') {
    ++p;
  }
  bool quoted = false;
  while (*p != 0 && (quoted || (*p != L' ' && *p != L'\t'))) {
    if (*p == L'"') {
      quoted = !quoted;
    }
    ++p;
  }
  while (*p == L' ' || *p == L'\t') {
    ++p;
  }
  return p;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: run_and_report <exit-code-file> <program> [arguments...]\n");
    return 2;
  }
  // Everything after our own name and the report file: the program token and its arguments.
  const wchar_t* child = SkipToken(SkipToken(::GetCommandLineW()));
  wchar_t* commandLine = _wcsdup(child);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
    std::fprintf(stderr, "run_and_report: CreateProcessW failed with %lu\n", ::GetLastError());
    return 3;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  FILE* out = _wfopen(argv[1], L"w");
  if (out == nullptr) {
    return 4;
  }
  std::fprintf(out, "%lu\n", code);
  std::fclose(out);
  return 0;
}
