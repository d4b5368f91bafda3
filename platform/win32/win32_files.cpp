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

bool Win32FileApi::GetFileSizeEx(FileHandle file, std::uint64_t& size, std::uint32_t& error) {
  LARGE_INTEGER bytes{};
  if (!::GetFileSizeEx(reinterpret_cast<HANDLE>(file), &bytes) || bytes.QuadPart < 0) {
    error = ::GetLastError();
    return false;
  }
  size = static_cast<std::uint64_t>(bytes.QuadPart);
  return true;
}

bool Win32FileApi::ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer,
                              std::uint32_t size, std::uint32_t& read, std::uint32_t& error) {
  // On a handle opened for synchronous access the offset in OVERLAPPED positions the read; the
  // call still completes before it returns.
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD count = 0;
  const BOOL ok = ::ReadFile(reinterpret_cast<HANDLE>(file), buffer, size, &count, &at);
  read = count;
  if (!ok) {
    error = ::GetLastError();
    // Reading at or past the end is not a failure of the file: it simply has no more bytes.
    if (error == ERROR_HANDLE_EOF) {
      read = 0;
      return true;
    }
    return false;
  }
  return true;
}
