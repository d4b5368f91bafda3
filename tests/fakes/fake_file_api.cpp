#include "tests/fakes/fake_file_api.h"

#include <algorithm>
#include <cstring>

#include "tests/fakes/event_log.h"

namespace {

std::u16string Parent(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

}  // namespace

void FakeFileApi::CloseHandle(FileHandle file) {
  std::lock_guard lock(mutex_);
  ++closes_[file];
  open_.erase(file);
  if (log != nullptr) {
    log->Add("CloseHandle file");
  }
}

void FakeFileApi::DeleteFileW(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  // Like Windows for a file opened without FILE_SHARE_DELETE: an open file cannot be deleted.
  for (const auto& [handle, openPath] : open_) {
    if (openPath == path) {
      return;
    }
  }
  files_.erase(path);
}

void FakeFileApi::RemoveDirectoryW(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  const std::u16string prefix = path + u'\\';
  auto inside = [&](const std::u16string& p) { return p.compare(0, prefix.size(), prefix) == 0; };
  for (const auto& [p, contents] : files_) {
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

std::uint32_t FakeFileApi::GetSystemWindowsDirectoryW(char16_t* buffer, std::uint32_t size,
                                                      std::uint32_t& lastError) {
  std::lock_guard lock(mutex_);
  lastError = windowsDirectoryError;
  const auto length = static_cast<std::uint32_t>(windowsDirectory.size());
  const std::uint32_t result = length + 1 > size ? length + 1 : length;
  if (length + 1 <= size) {
    std::copy(windowsDirectory.begin(), windowsDirectory.end(), buffer);
    buffer[length] = u'\0';
  }
  return windowsDirectoryResult.value_or(result);
}

bool FakeFileApi::CreateDirectoryW(const std::u16string& path, SecurityDescriptorHandle descriptor,
                                   std::uint32_t& error) {
  std::lock_guard lock(mutex_);
  creations_.push_back(DirectoryCreation{path, descriptor});
  if (!createDirectoryErrors.empty()) {
    const std::uint32_t scripted = createDirectoryErrors.front();
    createDirectoryErrors.pop_front();
    if (scripted != 0) {
      error = scripted;
      return false;
    }
  }
  if (directories_.count(path) != 0 || files_.count(path) != 0) {
    error = kErrorAlreadyExists;
    return false;
  }
  if (directories_.count(Parent(path)) == 0) {
    error = kErrorPathNotFound;
    return false;
  }
  directories_.insert(path);
  return true;
}

FileHandle FakeFileApi::CreateFileW(const std::u16string& path, std::uint32_t access,
                                    std::uint32_t share, std::uint32_t disposition,
                                    std::uint32_t& error) {
  std::lock_guard lock(mutex_);
  FileOpen open{path, access, share, disposition, kInvalidHandleValue};
  if (log != nullptr) {
    log->Add("CreateFileW");
  }
  std::uint32_t failure = createFileError;
  if (failure == 0 && directories_.count(Parent(path)) == 0) {
    failure = kErrorPathNotFound;
  }
  if (failure == 0 && disposition == kOpenExisting && files_.count(path) == 0) {
    failure = kErrorFileNotFound;
  }
  if (failure != 0) {
    error = failure;
    opens_.push_back(open);
    return kInvalidHandleValue;
  }
  if (disposition == kCreateAlways) {
    files_[path].clear();
  }
  open.handle = nextHandle_++;
  open_[open.handle] = path;
  opens_.push_back(open);
  return open.handle;
}

bool FakeFileApi::WriteFile(FileHandle file, const void* data, std::uint32_t size,
                            std::uint32_t& written, std::uint32_t& lastError) {
  std::lock_guard lock(mutex_);
  ++writes_;
  written = 0;
  auto it = open_.find(file);
  lastError = 0;
  if (it == open_.end()) {
    lastError = 6;  // ERROR_INVALID_HANDLE
    return false;
  }
  if (writes_ == failWriteNumber) {
    lastError = writeError;
    return false;
  }
  std::uint32_t count = size;
  if (writes_ == shortWriteNumber && count > 0) {
    --count;
  }
  files_[it->second].append(static_cast<const char*>(data), count);
  written = count;
  return true;
}

bool FakeFileApi::GetFileSizeEx(FileHandle file, std::uint64_t& size, std::uint32_t& error) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(file);
  if (it == open_.end() || readError != 0) {
    error = it == open_.end() ? 6 : readError;  // ERROR_INVALID_HANDLE
    return false;
  }
  size = files_[it->second].size();
  return true;
}

bool FakeFileApi::ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer,
                             std::uint32_t size, std::uint32_t& read, std::uint32_t& error) {
  std::lock_guard lock(mutex_);
  read = 0;
  auto it = open_.find(file);
  if (it == open_.end() || readError != 0) {
    error = it == open_.end() ? 6 : readError;  // ERROR_INVALID_HANDLE
    return false;
  }
  const std::string& contents = files_[it->second];
  if (offset < contents.size()) {
    const std::uint64_t available = contents.size() - offset;
    read = static_cast<std::uint32_t>(available < size ? available : size);
    std::memcpy(buffer, contents.data() + offset, read);
  }
  return true;
}

void FakeFileApi::AddDirectory(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  directories_.insert(path);
}

void FakeFileApi::AddFile(const std::u16string& path, std::string contents) {
  std::lock_guard lock(mutex_);
  files_[path] = std::move(contents);
}

bool FakeFileApi::Exists(const std::u16string& path) const {
  std::lock_guard lock(mutex_);
  return files_.count(path) != 0 || directories_.count(path) != 0;
}

std::string FakeFileApi::Contents(const std::u16string& path) const {
  std::lock_guard lock(mutex_);
  auto it = files_.find(path);
  return it == files_.end() ? std::string() : it->second;
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

std::set<FileHandle> FakeFileApi::OpenHandles() const {
  std::lock_guard lock(mutex_);
  std::set<FileHandle> handles;
  for (const auto& [handle, path] : open_) {
    handles.insert(handle);
  }
  return handles;
}

std::vector<FileOpen> FakeFileApi::Opens() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

std::vector<DirectoryCreation> FakeFileApi::DirectoryCreations() const {
  std::lock_guard lock(mutex_);
  return creations_;
}
