// The signature check on the real WinVerifyTrust, with files signed at build time by a test CA
// (tools/test-signing.sh). Wine's WinVerifyTrust checks only that a signature is present and that
// the digest matches: untrusted roots, wrong usages and revocation all pass there, so those
// rejections are covered by the native tests with a scripted trust service. The signer's name is
// read for real, so the pinning to the expected signer is checked here.
#include <windows.h>

#include "pipeline/build_settings.h"
#include "tests/win32/harness.h"
#include "tests/win32/pipeline_services.h"

namespace {

// build/mingw/signing/, seen from build/mingw/tests/win32/.
std::u16string Signed(const char16_t* name) {
  return ProgramFolder() + u"..\\..\\signing\\" + name;
}

struct Staged {
  explicit Staged(const char16_t* fixture, std::u16string signer = kExpectedSigner)
      : s(StageSettings{u"localhost", std::move(signer)}) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    s.worker.stagingDir = FromWide(temp) + u"VorneVerifyTest." +
                          FromWide(std::to_wstring(::GetCurrentProcessId()).c_str()) + u"." +
                          FromWide(std::to_wstring(++counter).c_str());
    ::CreateDirectoryW(WidePtr(s.worker.stagingDir), nullptr);
    s.worker.installerPath = s.worker.stagingDir + u"\\VorneSandboxInstall.exe";
    if (fixture != nullptr) {
      CHECK(::CopyFileW(WidePtr(Signed(fixture)), WidePtr(s.worker.installerPath), FALSE));
    }
  }
  ~Staged() {
    s.worker.verifiedFile.reset();
    ::DeleteFileW(WidePtr(s.worker.installerPath));
    ::RemoveDirectoryW(WidePtr(s.worker.stagingDir));
  }
  bool Verify() { return s.stages.VerifySignature(s.worker, error); }

  Win32StageServices s;
  std::uint32_t error = 0xABCD;
};

DWORD OpenError(const std::u16string& path, DWORD access) {
  HANDLE file =
      ::CreateFileW(WidePtr(path), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return ::GetLastError();
  }
  ::CloseHandle(file);
  return 0;
}

WINE_TEST(AFileSignedByTheExpectedSignerIsAcceptedAndHeld) {
  Staged t(u"signed.exe");
  CHECK(t.Verify());
  CHECK_EQ(t.error, 0);
  CHECK(t.s.worker.verifiedFile.get() != 0);
  // Held for reading only: nobody can delete it or open it for writing meanwhile.
  CHECK_EQ(OpenError(t.s.worker.installerPath, DELETE), ERROR_SHARING_VIOLATION);
  CHECK_EQ(OpenError(t.s.worker.installerPath, GENERIC_WRITE), ERROR_SHARING_VIOLATION);
  CHECK(!::DeleteFileW(WidePtr(t.s.worker.installerPath)));
  CHECK_EQ(OpenError(t.s.worker.installerPath, GENERIC_READ), 0);
  t.s.worker.verifiedFile.reset();
  CHECK_EQ(OpenError(t.s.worker.installerPath, DELETE), 0);  // the probe itself can succeed
}

WINE_TEST(TheSignersNameIsReadFromTheVerificationState) {
  Staged t(u"signed.exe");
  Win32TrustApi trust;
  HANDLE file = ::CreateFileW(WidePtr(t.s.worker.installerPath), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  TrustStateHandle state = 0;
  const FileHandle handle = reinterpret_cast<FileHandle>(file);
  CHECK_EQ(trust.WinVerifyTrustVerify(t.s.worker.installerPath, handle, state), 0);
  CHECK(state != 0);
  const std::u16string name = trust.SignerDisplayName(state);
  std::printf("  signer: %ls\n", reinterpret_cast<const wchar_t*>(name.c_str()));
  // The build signs its test files as the expected signer (the test CN when pinning is off).
  const std::u16string expected =
      std::u16string(kExpectedSigner).empty() ? u"VORNE Sandbox Test Signing" : kExpectedSigner;
  CHECK(name == expected);
  trust.WinVerifyTrustClose(t.s.worker.installerPath, handle, state);
  CHECK(trust.SignerDisplayName(0).empty());
  ::CloseHandle(file);
}

WINE_TEST(AFileSignedByAnotherPublisherIsRefused) {
  Staged t(u"other-signer.exe");
  if (std::u16string(kExpectedSigner).empty()) {
    CHECK(t.Verify());  // a build without pinning accepts any signer the system trusts
    return;
  }
  CHECK(!t.Verify());
  CHECK_EQ(t.error, 0x800B0004u);             // TRUST_E_SUBJECT_NOT_TRUSTED
  CHECK(t.s.worker.verifiedFile.get() != 0);  // held until the driver closes and deletes it
}

WINE_TEST(WithoutAnExpectedSignerAnyValidSignatureIsAccepted) {
  Staged t(u"other-signer.exe", u"");
  CHECK(t.Verify());
  CHECK_EQ(t.error, 0);
}

WINE_TEST(AnUnsignedFileIsRefusedWithNoSignature) {
  Staged t(u"unsigned.exe");
  CHECK(!t.Verify());
  CHECK_EQ(t.error, 0x800B0100u);  // TRUST_E_NOSIGNATURE
}

WINE_TEST(ATamperedFileIsRefusedWithABadDigest) {
  Staged t(u"tampered.exe");
  CHECK(!t.Verify());
  CHECK_EQ(t.error, 0x80096010u);  // TRUST_E_BAD_DIGEST
}

WINE_TEST(AMissingFileGivesTheOpenError) {
  Staged t(nullptr);
  CHECK(!t.Verify());
  CHECK_EQ(t.error, ERROR_FILE_NOT_FOUND);
  CHECK(t.s.worker.verifiedFile.get() == 0);
}

}  // namespace
