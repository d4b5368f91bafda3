#include "platform/fake/fake_file_api.h"

void FakeFileApi::CloseHandle(FileHandle file) {
  std::lock_guard lock(mutex_);
  ++closes_[file];
}

void FakeFileApi::DeleteFileW(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  files_.erase(path);
}

void FakeFileApi::RemoveDirectoryW(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  const std::u16string prefix = path + u'\\';
  auto inside = [&](const std::u16string& p) { return p.compare(0, prefix.size(), prefix) == 0; };
  for (const auto& p : files_) {
    if (inside(p)) {
      return;  // like Windows: only an empty directory goes
    }
  }
  for (const auto& p : directories_) {
    if (inside(p)) {
      return;
    }
  }
  directories_.erase(path);
}

void FakeFileApi::AddDirectory(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  directories_.insert(path);
}

void FakeFileApi::AddFile(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  files_.insert(path);
}

bool FakeFileApi::Exists(const std::u16string& path) const {
  std::lock_guard lock(mutex_);
  return files_.count(path) != 0 || directories_.count(path) != 0;
}

int FakeFileApi::CloseCount(FileHandle file) const {
  std::lock_guard lock(mutex_);
  auto it = closes_.find(file);
  return it == closes_.end() ? 0 : it->second;
}

int FakeFileApi::TotalCloses() const {
  std::lock_guard lock(mutex_);
  int total = 0;
  for (const auto& [handle, count] : closes_) {
    total += count;
  }
  return total;
}
