#include "platform/win32/win32_files.h"

#include <windows.h>

#include "platform/win32/wide.h"

void Win32FileApi::CloseHandle(FileHandle file) {
  ::CloseHandle(reinterpret_cast<HANDLE>(file));
}

void Win32FileApi::DeleteFileW(const std::u16string& path) {
  ::DeleteFileW(WidePtr(path));
}

void Win32FileApi::RemoveDirectoryW(const std::u16string& path) {
  ::RemoveDirectoryW(WidePtr(path));
}
