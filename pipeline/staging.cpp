// The staging directory: a fresh, randomly named directory under the Windows directory's Temp
// folder that only LocalSystem and the Administrators can use.
#include <cstdint>
#include <string>

#include "pipeline/installer_stages.h"
#include "pipeline/setup_worker.h"

namespace {

// The size of the buffer GetSystemWindowsDirectoryW fills (MAX_PATH); a path that needs all of it
// is refused.
constexpr std::uint32_t kWindowsDirectoryChars = 260;

}  // namespace

std::u16string StagingNameDigits(const std::uint8_t (&bytes)[8]) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string digits;
  digits.reserve(16);
  for (const std::uint8_t byte : bytes) {
    digits.push_back(kDigits[byte >> 4]);
    digits.push_back(kDigits[byte & 0xF]);
  }
  return digits;
}

bool InstallerStages::CreateStagingDirectory(SetupWorker& worker, std::uint32_t& error) {
  char16_t buffer[kWindowsDirectoryChars] = {};
  std::uint32_t lastError = 0;
  const std::uint32_t length =
      services_.files.GetSystemWindowsDirectoryW(buffer, kWindowsDirectoryChars, lastError);
  if (length == 0 || length >= kWindowsDirectoryChars) {
    error = lastError;
    return false;
  }
  const std::u16string windowsDirectory(buffer, length);

  std::uint32_t convertError = 0;
  const UniqueSecurityDescriptor descriptor(
      services_.security, services_.security.ConvertStringSecurityDescriptorToSecurityDescriptorW(
                              kStagingAccess, kSddlRevision1, convertError));
  if (!descriptor) {
    error = convertError;
    return false;
  }

  for (int attempt = 1; attempt <= kStagingAttempts; ++attempt) {
    std::uint8_t random[8] = {};
    if (services_.security.BCryptGenRandom(random, sizeof(random)) != 0) {
      error = kErrorGenFailure;
      return false;
    }
    std::u16string path = windowsDirectory + kStagingPrefix + StagingNameDigits(random);
    std::uint32_t createError = 0;
    if (services_.files.CreateDirectoryW(path, descriptor.get(), createError)) {
      worker.installerPath = path + kInstallerName;
      worker.stagingDir = std::move(path);
      return true;
    }
    error = createError;
    if (createError != kErrorAlreadyExists) {
      return false;
    }
  }
  return false;  // eight names in a row were taken; error is 183
}
