#include "tests/fakes/fake_security_api.h"

#include <algorithm>

std::uint32_t FakeSecurityApi::BCryptGenRandom(std::uint8_t* buffer, std::uint32_t size) {
  ++randomCalls;
  randomSizes.push_back(size);
  if (randomCalls == failRandomNumber) {
    return randomFailure;
  }
  std::array<std::uint8_t, 8> bytes{};
  if (!randomBytes.empty()) {
    bytes = randomBytes.front();
    randomBytes.pop_front();
  } else {
    bytes.fill(static_cast<std::uint8_t>(0x40 + randomCalls));
  }
  std::copy_n(bytes.begin(), std::min<std::size_t>(size, bytes.size()), buffer);
  return 0;
}

SecurityDescriptorHandle FakeSecurityApi::ConvertStringSecurityDescriptorToSecurityDescriptorW(
    const std::u16string& sddl, std::uint32_t revision, std::uint32_t& error) {
  sddls.push_back(sddl);
  revisions.push_back(revision);
  if (convertError != 0) {
    error = convertError;
    return 0;
  }
  return kFakeDescriptor;
}

void FakeSecurityApi::LocalFree(SecurityDescriptorHandle descriptor) {
  freed.push_back(descriptor);
}
