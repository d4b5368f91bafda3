#include "platform/win32/win32_security.h"

#include <windows.h>

#include <bcrypt.h>
#include <sddl.h>

#include "platform/win32/wide.h"

static_assert(kSddlRevision1 == SDDL_REVISION_1);

std::uint32_t Win32SecurityApi::BCryptGenRandom(std::uint8_t* buffer, std::uint32_t size) {
  return static_cast<std::uint32_t>(
      ::BCryptGenRandom(nullptr, buffer, size, BCRYPT_USE_SYSTEM_PREFERRED_RNG));
}

SecurityDescriptorHandle Win32SecurityApi::ConvertStringSecurityDescriptorToSecurityDescriptorW(
    const std::u16string& sddl, std::uint32_t revision, std::uint32_t& error) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(WidePtr(sddl), revision, &descriptor,
                                                              nullptr)) {
    error = ::GetLastError();
    return 0;
  }
  return reinterpret_cast<SecurityDescriptorHandle>(descriptor);
}

void Win32SecurityApi::LocalFree(SecurityDescriptorHandle descriptor) {
  ::LocalFree(reinterpret_cast<HLOCAL>(descriptor));
}
