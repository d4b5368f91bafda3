// Random bytes from CNG (delay-loaded bcrypt) and security descriptors from advapi32.
#pragma once

#include "platform/security_api.h"

class Win32SecurityApi final : public SecurityApi {
 public:
  std::uint32_t BCryptGenRandom(std::uint8_t* buffer, std::uint32_t size) override;
  SecurityDescriptorHandle ConvertStringSecurityDescriptorToSecurityDescriptorW(
      const std::u16string& sddl, std::uint32_t revision, std::uint32_t& error) override;
  void LocalFree(SecurityDescriptorHandle descriptor) override;
};
