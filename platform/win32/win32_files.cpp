#include "platform/win32/win32_files.h"

#include <windows.h>

#include "platform/win32/wide.h"

static_assert(kGenericRead == GENERIC_READ && kGenericWrite == GENERIC_WRITE);
static_assert(kFileShareRead == FILE_SHARE_READ);
static_assert(kCreateAlways == CREATE_ALWAYS && kOpenExisting == OPEN_EXISTING);
static_assert(kErrorFileNotFound == ERROR_FILE_NOT_FOUND);
static_assert(kErrorPathNotFound == ERROR_PATH_NOT_FOUND);
static_assert(kErrorGenFailure == ERROR_GEN_FAILURE);
static_assert(kErrorAlreadyExists == ERROR_ALREADY_EXISTS);
static_assert(sizeof(HANDLE) == sizeof(FileHandle));

void Win32FileApi::CloseHandle(FileHandle file) {
  ::CloseHandle(reinterpret_cast<HANDLE>(file));
}

void Win32FileApi::DeleteFileW(const std::u16string& path) {
  ::DeleteFileW(WidePtr(path));
}

void Win32FileApi::RemoveDirectoryW(const std::u16string& path) {
  ::RemoveDirectoryW(WidePtr(path));
}

std::uint32_t Win32FileApi::GetSystemWindowsDirectoryW(char16_t* buffer, std::uint32_t size,
                                                       std::uint32_t& lastError) {
  const UINT length = ::GetSystemWindowsDirectoryW(reinterpret_cast<wchar_t*>(buffer), size);
  lastError = ::GetLastError();
  return length;
}

bool Win32FileApi::CreateDirectoryW(const std::u16string& path, SecurityDescriptorHandle descriptor,
                                    std::uint32_t& error) {
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof(attributes);
  attributes.lpSecurityDescriptor = reinterpret_cast<PSECURITY_DESCRIPTOR>(descriptor);
  attributes.bInheritHandle = FALSE;
  if (!::CreateDirectoryW(WidePtr(path), &attributes)) {
    error = ::GetLastError();
    return false;
  }
  return true;
}

FileHandle Win32FileApi::CreateFileW(const std::u16string& path, std::uint32_t access,
                                     std::uint32_t share, std::uint32_t disposition,
                                     std::uint32_t& error) {
  HANDLE file = ::CreateFileW(WidePtr(path), access, share, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = ::GetLastError();
  }
  return reinterpret_cast<FileHandle>(file);
}

bool Win32FileApi::WriteFile(FileHandle file, const void* data, std::uint32_t size,
                             std::uint32_t& written, std::uint32_t& lastError) {
  DWORD count = 0;
  const BOOL ok = ::WriteFile(reinterpret_cast<HANDLE>(file), data, size, &count, nullptr);
  lastError = ::GetLastError();
  written = count;
  return ok != FALSE;
}
