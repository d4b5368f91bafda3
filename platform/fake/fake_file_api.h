// An in-memory file system for the staging area: paths that exist, and every handle closed.
#pragma once

#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_api.h"

class FakeFileApi final : public FileApi {
 public:
  void CloseHandle(FileHandle file) override;
  void DeleteFileW(const std::u16string& path) override;
  void RemoveDirectoryW(const std::u16string& path) override;

  // Test set-up and inspection; any thread.
  void AddDirectory(const std::u16string& path);
  void AddFile(const std::u16string& path);
  bool Exists(const std::u16string& path) const;
  int CloseCount(FileHandle file) const;
  int TotalCloses() const;

 private:
  mutable std::mutex mutex_;
  std::set<std::u16string> directories_;
  std::set<std::u16string> files_;
  std::map<FileHandle, int> closes_;
};
