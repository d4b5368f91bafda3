// Files and directories of the staging area (kernel32's file functions).
#pragma once

#include <string>

#include "platform/handles.h"

class FileApi {
 public:
  // Best-effort clean-up: the results are ignored by every caller, so none is returned.
  virtual void CloseHandle(FileHandle file) = 0;
  virtual void DeleteFileW(const std::u16string& path) = 0;
  // Removes the directory only when it is empty.
  virtual void RemoveDirectoryW(const std::u16string& path) = 0;

 protected:
  ~FileApi() = default;
};

// Move-only owner of one file handle; INVALID_HANDLE_VALUE is taken as no handle.
class UniqueFile {
 public:
  explicit UniqueFile(FileApi& api) : api_(&api) {}
  UniqueFile(const UniqueFile&) = delete;
  UniqueFile& operator=(const UniqueFile&) = delete;
  UniqueFile(UniqueFile&& other) noexcept : api_(other.api_), handle_(other.release()) {}
  UniqueFile& operator=(UniqueFile&& other) noexcept {
    if (this != &other) {
      reset(other.release());
      api_ = other.api_;
    }
    return *this;
  }
  ~UniqueFile() { reset(); }

  FileHandle get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }

  FileHandle release() {
    const FileHandle handle = handle_;
    handle_ = 0;
    return handle;
  }

  // Clears the field before closing, so the holder never names a closed handle.
  void reset(FileHandle handle = 0) {
    const FileHandle old = handle_;
    handle_ = NormalizeHandle(handle);
    if (old != 0) {
      api_->CloseHandle(old);
    }
  }

 private:
  FileApi* api_;
  FileHandle handle_ = 0;
};
