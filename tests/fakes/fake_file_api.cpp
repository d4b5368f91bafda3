#include "tests/fakes/fake_file_api.h"

#include <algorithm>
#include <cstring>

#include "tests/fakes/event_log.h"

namespace {

std::u16string Parent(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

// The kinds of data access that sharing governs, as the FILE_SHARE_* bits that admit them.
std::uint32_t SharedKinds(std::uint32_t access) {
  std::uint32_t kinds = 0;
  if ((access & kGenericRead) != 0) {
    kinds |= kFileShareRead;
  }
  if ((access & kGenericWrite) != 0) {
    kinds |= FakeFileApi::kShareWrite;
  }
  if ((access & FakeFileApi::kDeleteAccess) != 0) {
    kinds |= FakeFileApi::kShareDelete;
  }
  return kinds;
}

}  // namespace

bool FakeFileApi::SharingAllows(const std::u16string& path, std::uint32_t access,
                                std::uint32_t share) const {
  const std::uint32_t wanted = SharedKinds(access);
  if (wanted == 0) {
    return true;  // an open without data access is not checked against anyone's sharing
  }
  for (const auto& [handle, open] : open_) {
    if (open.path == path &&
        ((wanted & ~open.share) != 0 || (SharedKinds(open.access) & ~share) != 0)) {
      return false;
    }
  }
  return true;
}

bool FakeFileApi::OpenOn(const std::u16string& path) const {
  for (const auto& [handle, open] : open_) {
    if (open.path == path) {
      return true;
    }
  }
  return false;
}

void FakeFileApi::CloseHandle(FileHandle file) {
  std::lock_guard lock(mutex_);
  ++closes_[file];
  auto it = open_.find(file);
  if (it != open_.end()) {
    const std::u16string path = it->second.path;
    open_.erase(it);
    if (deletePending_.count(path) != 0 && !OpenOn(path)) {
      deletePending_.erase(path);
      files_.erase(path);
    }
  }
  if (log != nullptr) {
    log->Add("CloseHandle file");
  }
}

void FakeFileApi::DeleteFileW(const std::u16string& path) {
  std::lock_guard lock(mutex_);
  if (files_.count(path) == 0 || deletePending_.count(path) != 0) {
    threadLastError = files_.count(path) == 0 ? kErrorFileNotFound : kErrorAccessDenied;
    return;
  }
  // DeleteFileW opens the file for DELETE, sharing everything: only an open handle without
  // FILE_SHARE_DELETE refuses it. With every handle sharing delete the file goes at the last close.
  if (!SharingAllows(path, kDeleteAccess, kFileShareRead | kShareWrite | kShareDelete)) {
    threadLastError = kErrorSharingViolation;
    return;
  }
  if (OpenOn(path)) {
    deletePending_.insert(path);
    return;
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
      threadLastError = error;
      return false;
    }
  }
  if (directories_.count(path) != 0 || files_.count(path) != 0) {
    error = kErrorAlreadyExists;
    threadLastError = error;
    return false;
  }
  if (directories_.count(Parent(path)) == 0) {
    error = kErrorPathNotFound;
    threadLastError = error;
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
  if (failure == 0 && deletePending_.count(path) != 0) {
    failure = kErrorAccessDenied;  // as Windows answers for a file whose delete is pending
  }
  const bool existed = files_.count(path) != 0;
  if (failure == 0 && disposition == kOpenExisting && !existed) {
    failure = kErrorFileNotFound;
  }
  if (failure == 0 && existed && !SharingAllows(path, access, share)) {
    failure = kErrorSharingViolation;
  }
  if (failure != 0) {
    error = failure;
    threadLastError = failure;
    opens_.push_back(open);
    return kInvalidHandleValue;
  }
  if (disposition == kCreateAlways) {
    files_[path].clear();
    threadLastError = existed ? kErrorAlreadyExists : 0;
  }
  open.handle = nextHandle_++;
  open_[open.handle] = OpenFile{path, access, share};
  opens_.push_back(open);
  return open.handle;
}

bool FakeFileApi::WriteFile(FileHandle file, const void* data, std::uint32_t size,
                            std::uint32_t& written, std::uint32_t& lastError) {
  std::lock_guard lock(mutex_);
  ++writes_;
  written = 0;
  auto it = open_.find(file);
  if (it == open_.end()) {
    threadLastError = 6;  // ERROR_INVALID_HANDLE
  } else if ((it->second.access & kGenericWrite) == 0) {
    threadLastError = kErrorAccessDenied;
  } else if (writes_ == failWriteNumber) {
    threadLastError = writeError;
  } else {
    std::uint32_t count = size;
    if (writes_ == shortWriteNumber && count > 0) {
      --count;
    }
    files_[it->second.path].append(static_cast<const char*>(data), count);
    written = count;
    lastError = threadLastError;  // success sets nothing
    return true;
  }
  lastError = threadLastError;
  return false;
}

bool FakeFileApi::GetFileSizeEx(FileHandle file, std::uint64_t& size, std::uint32_t& error) {
  std::lock_guard lock(mutex_);
  auto it = open_.find(file);
  if (it == open_.end() || readError != 0) {
    error = it == open_.end() ? 6 : readError;  // ERROR_INVALID_HANDLE
    threadLastError = error;
    return false;
  }
  size = files_[it->second.path].size();
  return true;
}

bool FakeFileApi::ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer,
                             std::uint32_t size, std::uint32_t& read, std::uint32_t& error) {
  std::lock_guard lock(mutex_);
  read = 0;
  auto it = open_.find(file);
  if (it == open_.end() || readError != 0) {
    error = it == open_.end() ? 6 : readError;  // ERROR_INVALID_HANDLE
    threadLastError = error;
    return false;
  }
  const std::string& contents = files_[it->second.path];
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
  return (files_.count(path) != 0 && deletePending_.count(path) == 0) ||
         directories_.count(path) != 0;
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
