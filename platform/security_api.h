// Random bytes (CNG) and security descriptors from their string form (advapi32), for the staging
// directory.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_api.h"

inline constexpr std::uint32_t kSddlRevision1 = 1;  // SDDL_REVISION_1

class SecurityApi {
 public:
  // BCryptGenRandom with no algorithm handle and BCRYPT_USE_SYSTEM_PREFERRED_RNG. Returns the
  // NTSTATUS: 0 when `size` random bytes were written.
  virtual std::uint32_t BCryptGenRandom(std::uint8_t* buffer, std::uint32_t size) = 0;
  // The descriptor, to be released with LocalFree; 0 with `error` (the last error) on failure.
  virtual SecurityDescriptorHandle ConvertStringSecurityDescriptorToSecurityDescriptorW(
      const std::u16string& sddl, std::uint32_t revision, std::uint32_t& error) = 0;
  virtual void LocalFree(SecurityDescriptorHandle descriptor) = 0;

 protected:
  ~SecurityApi() = default;
};

// Releases a descriptor with LocalFree when it goes out of scope.
class UniqueSecurityDescriptor {
 public:
  UniqueSecurityDescriptor(SecurityApi& api, SecurityDescriptorHandle descriptor)
      : api_(api), descriptor_(descriptor) {}
  UniqueSecurityDescriptor(const UniqueSecurityDescriptor&) = delete;
  UniqueSecurityDescriptor& operator=(const UniqueSecurityDescriptor&) = delete;
  ~UniqueSecurityDescriptor() {
    if (descriptor_ != 0) {
      api_.LocalFree(descriptor_);
    }
  }

  SecurityDescriptorHandle get() const { return descriptor_; }
  explicit operator bool() const { return descriptor_ != 0; }

 private:
  SecurityApi& api_;
  SecurityDescriptorHandle descriptor_;
};
