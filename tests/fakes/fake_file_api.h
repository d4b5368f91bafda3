// An in-memory file system for the staging area: directories, files with their contents, open
// handles, and every handle closed. Failures are scripted per call. Opens and deletes follow
// Windows' sharing rules, and the calls leave the thread's last error code as Windows does.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_api.h"

class EventLog;

struct FileOpen {
  std::u16string path;
  std::uint32_t access = 0;
  std::uint32_t share = 0;
  std::uint32_t disposition = 0;
  FileHandle handle = 0;  // as returned, kInvalidHandleValue on failure
};

struct DirectoryCreation {
  std::u16string path;
  SecurityDescriptorHandle descriptor = 0;
};

class FakeFileApi final : public FileApi {
 public:
  // Windows' numbers for the access and sharing the tests use beyond those of FileApi.
  static constexpr std::uint32_t kShareWrite = 0x2;            // FILE_SHARE_WRITE
  static constexpr std::uint32_t kShareDelete = 0x4;           // FILE_SHARE_DELETE
  static constexpr std::uint32_t kDeleteAccess = 0x10000;      // DELETE
  static constexpr std::uint32_t kErrorAccessDenied = 5;       // ERROR_ACCESS_DENIED
  static constexpr std::uint32_t kErrorSharingViolation = 32;  // ERROR_SHARING_VIOLATION

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

  // Test set-up and inspection; any thread.
  void AddDirectory(const std::u16string& path);
  void AddFile(const std::u16string& path, std::string contents = {});
  // A file whose delete is pending (refused by no handle, but some still open) no longer exists.
  bool Exists(const std::u16string& path) const;
  std::string Contents(const std::u16string& path) const;
  int CloseCount(FileHandle file) const;
  int TotalCloses() const;
  // Handles returned by CreateFileW and not yet closed.
  std::set<FileHandle> OpenHandles() const;
  std::vector<FileOpen> Opens() const;
  std::vector<DirectoryCreation> DirectoryCreations() const;

  // Scripting, set before the code under test runs.
  std::u16string windowsDirectory = u"C:\\windows";
  std::optional<std::uint32_t> windowsDirectoryResult;  // when set, returned instead of the length
  std::uint32_t windowsDirectoryError = 0;              // the last error the call leaves
  std::deque<std::uint32_t> createDirectoryErrors;      // per call: non-zero fails with that code
  std::uint32_t createFileError = 0;                    // non-zero: every CreateFileW fails with it
  int failWriteNumber = 0;                              // the n-th WriteFile (1-based) fails...
  std::uint32_t writeError = 112;                       // ...with this code (ERROR_DISK_FULL)
  // The n-th WriteFile reports success but writes one byte less; like any successful write it
  // leaves the thread's last error as it was.
  int shortWriteNumber = 0;
  // The thread's last error code as far as these calls go: a failing call sets it, CreateFileW
  // with CREATE_ALWAYS sets 183 (ERROR_ALREADY_EXISTS) when it replaced a file and 0 otherwise,
  // a successful WriteFile leaves it. A test may seed it with what an earlier call left.
  std::uint32_t threadLastError = 0;
  std::uint32_t readError = 0;  // non-zero: GetFileSizeEx and ReadFileAt fail with it
  EventLog* log = nullptr;

 private:
  mutable std::mutex mutex_;
  std::set<std::u16string> directories_;
  std::map<std::u16string, std::string> files_;
  struct OpenFile {
    std::u16string path;
    std::uint32_t access = 0;
    std::uint32_t share = 0;
  };
  // Whether a new open with `access` and `share` agrees with every open handle on `path`; lock
  // held.
  bool SharingAllows(const std::u16string& path, std::uint32_t access, std::uint32_t share) const;
  bool OpenOn(const std::u16string& path) const;

  std::map<FileHandle, OpenFile> open_;
  std::set<std::u16string> deletePending_;  // deleted while open; gone at the last close
  std::map<FileHandle, int> closes_;
  std::vector<FileOpen> opens_;
  std::vector<DirectoryCreation> creations_;
  FileHandle nextHandle_ = 0x100;
  int writes_ = 0;
};
