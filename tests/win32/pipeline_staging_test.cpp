// The staging stage on the real system: a protected directory under the Windows directory's
// Temp folder. (The collision and random-failure paths are covered natively with fakes.)
#include <windows.h>

#include <aclapi.h>
#include <sddl.h>

#include "tests/win32/harness.h"
#include "tests/win32/pipeline_services.h"

namespace {

std::u16string WindowsDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  ::GetSystemWindowsDirectoryW(buffer, MAX_PATH);
  return FromWide(buffer);
}

bool IsLowerHex(const std::u16string& text) {
  for (char16_t c : text) {
    if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f'))) {
      return false;
    }
  }
  return true;
}

WINE_TEST(CreatesARandomlyNamedDirectoryUnderTheWindowsTempFolder) {
  Win32StageServices s(StageSettings{u"localhost", u"", ""});
  std::uint32_t error = 0;
  CHECK(s.stages.CreateStagingDirectory(s.worker, error));
  CHECK_EQ(error, 0);
  const std::u16string prefix = WindowsDirectory() + u"\\Temp\\VorneSandboxSetup.";
  const std::u16string& dir = s.worker.stagingDir;
  CHECK_EQ(dir.size(), prefix.size() + 16);
  CHECK(dir.compare(0, prefix.size(), prefix) == 0);
  CHECK(IsLowerHex(dir.substr(prefix.size())));
  CHECK(s.worker.installerPath == dir + u"\\VorneSandboxInstall.exe");
  CHECK(IsDirectory(dir));

  // A second stage call makes another directory with another name.
  Win32StageServices t(StageSettings{u"localhost", u"", ""});
  CHECK(t.stages.CreateStagingDirectory(t.worker, error));
  CHECK(t.worker.stagingDir != dir);
  CHECK(IsDirectory(t.worker.stagingDir));
  ::RemoveDirectoryW(WidePtr(t.worker.stagingDir));
  ::RemoveDirectoryW(WidePtr(dir));
}

// The descriptor the directory is created with, as advapi32 reads the access string: protected,
// full access for LocalSystem and the Administrators only, inherited by everything inside. (Wine
// does not store it on the directory: there the directory shows Wine's default list, so the
// directory's own list is not checked here.)
WINE_TEST(TheCreationDescriptorIsTheProtectedSystemAndAdministratorsList) {
  Win32SecurityApi security;
  std::uint32_t error = 0;
  const UniqueSecurityDescriptor descriptor(
      security, security.ConvertStringSecurityDescriptorToSecurityDescriptorW(
                    kStagingAccess, kSddlRevision1, error));
  CHECK(descriptor.get() != 0);
  if (!descriptor) {
    return;
  }
  auto* sd = reinterpret_cast<PSECURITY_DESCRIPTOR>(descriptor.get());
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  CHECK(::GetSecurityDescriptorControl(sd, &control, &revision));
  CHECK((control & SE_DACL_PROTECTED) != 0);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  CHECK(::GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
  CHECK(present && dacl != nullptr);
  if (dacl == nullptr) {
    return;
  }
  CHECK_EQ(dacl->AceCount, 2);
  const WELL_KNOWN_SID_TYPE expected[] = {WinLocalSystemSid, WinBuiltinAdministratorsSid};
  for (DWORD i = 0; i < dacl->AceCount && i < 2; ++i) {
    ACCESS_ALLOWED_ACE* ace = nullptr;
    CHECK(::GetAce(dacl, i, reinterpret_cast<void**>(&ace)));
    if (ace == nullptr) {
      continue;
    }
    CHECK_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
    CHECK_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE);
    CHECK_EQ(ace->Mask, FILE_ALL_ACCESS);
    CHECK(::IsWellKnownSid(&ace->SidStart, expected[i]));
  }
  // Owner and group are left to the creating process's defaults.
  PSID owner = nullptr;
  CHECK(::GetSecurityDescriptorOwner(sd, &owner, &defaulted));
  CHECK(owner == nullptr);
}

}  // namespace
