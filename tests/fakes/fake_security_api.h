// Scripted random bytes and security descriptors, recording what was asked and what was freed.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/security_api.h"

inline constexpr SecurityDescriptorHandle kFakeDescriptor = 0xD0D0;

class FakeSecurityApi final : public SecurityApi {
 public:
  std::uint32_t BCryptGenRandom(std::uint8_t* buffer, std::uint32_t size) override;
  SecurityDescriptorHandle ConvertStringSecurityDescriptorToSecurityDescriptorW(
      const std::u16string& sddl, std::uint32_t revision, std::uint32_t& error) override;
  void LocalFree(SecurityDescriptorHandle descriptor) override;

  // Scripting. Random calls take the next scripted 8 bytes; when none are left they give bytes
  // that differ from call to call.
  std::deque<std::array<std::uint8_t, 8>> randomBytes;
  int failRandomNumber = 0;                  // the n-th call (1-based) fails...
  std::uint32_t randomFailure = 0xC0000001;  // ...with this status (STATUS_UNSUCCESSFUL)
  std::uint32_t convertError = 0;            // non-zero: the conversion fails with it

  // Inspection.
  int randomCalls = 0;
  std::vector<std::uint32_t> randomSizes;
  std::vector<std::u16string> sddls;
  std::vector<std::uint32_t> revisions;
  std::vector<SecurityDescriptorHandle> freed;
};
