// Files and directories of the staging area on Windows.
#pragma once

#include "platform/file_api.h"

class Win32FileApi final : public FileApi {
 public:
  void CloseHandle(FileHandle file) override;
  void DeleteFileW(const std::u16string& path) override;
  void RemoveDirectoryW(const std::u16string& path) override;
};
