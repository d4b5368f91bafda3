// The real stages on the real Windows services, with a worker to run them on, for the test
// programs under Wine. A test calls a stage directly (its thread plays the worker thread) or
// runs the driver through Start.
#pragma once

#include <windows.h>

#include <string>

#include "pipeline/installer_stages.h"
#include "pipeline/setup_worker.h"
#include "platform/win32/wide.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http.h"
#include "platform/win32/win32_process.h"
#include "platform/win32/win32_security.h"
#include "platform/win32/win32_threads.h"
#include "platform/win32/win32_trust.h"
#include "tests/win32/win32_test_util.h"

struct Win32StageServices {
  explicit Win32StageServices(StageSettings settings, WindowHandle window = 0)
      : stages(StageServices{files, http, security, trust, processes}, std::move(settings)),
        worker(window, WorkerPlatform{poster, threads, files, http}, stages) {}

  Win32MessagePoster poster;
  Win32ThreadApi threads;
  Win32FileApi files;
  Win32HttpApi http;
  Win32SecurityApi security;
  Win32TrustApi trust;
  Win32ProcessApi processes;
  InstallerStages stages;
  SetupWorker worker;
};

inline bool IsDirectory(const std::u16string& path) {
  const DWORD attributes = ::GetFileAttributesW(WidePtr(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// The folder this test program lies in, with a trailing backslash.
inline std::u16string ProgramFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::u16string folder = FromWide(path);
  return folder.substr(0, folder.rfind(u'\\') + 1);
}

// The file's bytes; empty when it cannot be opened.
inline std::string ReadFileBytes(const std::u16string& path) {
  HANDLE file = ::CreateFileW(WidePtr(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return {};
  }
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (::ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read > 0) {
    bytes.append(buffer, read);
  }
  ::CloseHandle(file);
  return bytes;
}

inline std::u16string ReadWholeFile(const std::u16string& path) {
  const std::string bytes = ReadFileBytes(path);
  // UTF-16LE text as the test installer writes it.
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}
