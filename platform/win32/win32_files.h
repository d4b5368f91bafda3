// Files and directories of the staging area on Windows.
#pragma once

#include "platform/file_api.h"

class Win32FileApi final : public FileApi {
 public:
  void CloseHandle(FileHandle file) override;
  void DeleteFileW(const std::u16string& path) override;
  void RemoveDirectoryW(const std::u16string& path) override;
  std::uint32_t GetSystemWindowsDirectoryW(char16_t* buffer, std::uint32_t size,
                                           std::uint32_t& lastError) override;
  bool CreateDirectoryW(const std::u16string& path, SecurityDescriptorHandle descriptor,
                        std::uint32_t& error) override;
  FileHandle CreateFileW(const std::u16string& path, std::uint32_t access, std::uint32_t share,
                         std::uint32_t disposition, std::uint32_t& error) override;
  bool WriteFile(FileHandle file, const void* data, std::uint32_t size, std::uint32_t& written,
                 std::uint32_t& lastError) override;
  bool GetFileSizeEx(FileHandle file, std::uint64_t& size, std::uint32_t& error) override;
  bool ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::uint32_t size,
                  std::uint32_t& read, std::uint32_t& error) override;
};
