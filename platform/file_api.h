// Files and directories of the staging area (kernel32's file functions).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

// An opaque security descriptor made by SecurityApi (a PSECURITY_DESCRIPTOR); 0 is none.
using SecurityDescriptorHandle = std::uintptr_t;

// The access, sharing and disposition values the pipeline passes to CreateFileW, with Windows'
// own numbers (the Windows side checks them against the headers).
inline constexpr std::uint32_t kGenericRead = 0x80000000;   // GENERIC_READ
inline constexpr std::uint32_t kGenericWrite = 0x40000000;  // GENERIC_WRITE
inline constexpr std::uint32_t kFileShareNone = 0;
inline constexpr std::uint32_t kFileShareRead = 0x1;  // FILE_SHARE_READ
inline constexpr std::uint32_t kCreateAlways = 2;     // CREATE_ALWAYS
inline constexpr std::uint32_t kOpenExisting = 3;     // OPEN_EXISTING

// Win32 error codes the pipeline decides on.
inline constexpr std::uint32_t kErrorFileNotFound = 2;     // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorPathNotFound = 3;     // ERROR_PATH_NOT_FOUND
inline constexpr std::uint32_t kErrorGenFailure = 31;      // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kErrorAlreadyExists = 183;  // ERROR_ALREADY_EXISTS

// Every `error` out-value is the thread's last error code, captured by the implementation right
// after the call it reports on, before anything else can overwrite it. It is written only when
// the call fails, unless the method says otherwise.
class FileApi {
 public:
  // Best-effort clean-up: the results are ignored by every caller, so none is returned.
  virtual void CloseHandle(FileHandle file) = 0;
  virtual void DeleteFileW(const std::u16string& path) = 0;
  // Removes the directory only when it is empty.
  virtual void RemoveDirectoryW(const std::u16string& path) = 0;

  // Writes the Windows directory into `buffer` (`size` UTF-16 units) and returns its length
  // without the terminator, 0 on failure, or the size needed when the buffer is too small.
  // `lastError` is the last error code right after the call, whatever the result.
  virtual std::uint32_t GetSystemWindowsDirectoryW(char16_t* buffer, std::uint32_t size,
                                                   std::uint32_t& lastError) = 0;
  // A directory whose security attributes carry `descriptor` (not inheritable).
  virtual bool CreateDirectoryW(const std::u16string& path, SecurityDescriptorHandle descriptor,
                                std::uint32_t& error) = 0;
  // No security attributes, FILE_ATTRIBUTE_NORMAL, no template. Returns the handle as Windows
  // does: INVALID_HANDLE_VALUE (kInvalidHandleValue) on failure.
  virtual FileHandle CreateFileW(const std::u16string& path, std::uint32_t access,
                                 std::uint32_t share, std::uint32_t disposition,
                                 std::uint32_t& error) = 0;
  // Synchronous write; `written` is what reached the file, also after a failure. `lastError` is
  // the last error code right after the call, whatever the result (a short write that reports
  // success leaves whatever code was last set).
  virtual bool WriteFile(FileHandle file, const void* data, std::uint32_t size,
                         std::uint32_t& written, std::uint32_t& lastError) = 0;
  // The size of the open file in bytes.
  virtual bool GetFileSizeEx(FileHandle file, std::uint64_t& size, std::uint32_t& error) = 0;
  // Reads up to `size` bytes at `offset` through the handle (never by path, so the bytes are
  // those of the file the handle holds); `read` is what arrived, fewer only at the end of the file.
  virtual bool ReadFileAt(FileHandle file, std::uint64_t offset, void* buffer, std::uint32_t size,
                          std::uint32_t& read, std::uint32_t& error) = 0;

 protected:
  ~FileApi() = default;
};

// Move-only owner of one file handle; INVALID_HANDLE_VALUE is taken as no handle.
class UniqueFile {
 public:
  explicit UniqueFile(FileApi& api) : api_(&api) {}
  UniqueFile(FileApi& api, FileHandle handle) : api_(&api), handle_(NormalizeHandle(handle)) {}
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
