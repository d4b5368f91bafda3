// The signature check on the real WinVerifyTrust, with files signed at build time by test CAs on
// the committed test-only keys (tools/test-signing.sh). Wine's WinVerifyTrust checks only that a
// signature is present and that the digest matches: untrusted roots, wrong usages and revocation
// all pass there, so those rejections are covered by the native tests with a scripted trust
// service. Everything the setup adds on top is real here: the signer's CN and key read from the
// verification state (checked against what openssl computed from the certificates), the pins, and
// the certificate table read through the held handle.
#include <windows.h>

#include <wincrypt.h>

#include <string>
#include <vector>

#include "pipeline/key_pins.h"
#include "tests/win32/harness.h"
#include "tests/win32/pipeline_services.h"

namespace {

constexpr char16_t kSigner[] = u"VORNE Sandbox Test Signing";

// build/mingw/signing/, seen from build/mingw/tests/win32/.
std::u16string Signed(const char16_t* name) {
  return ProgramFolder() + u"..\\..\\signing\\" + name;
}

// One line of a text file the signing script wrote (ASCII), without its line end.
std::string Line(const char16_t* name) {
  std::string text = ReadFileBytes(Signed(name));
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

std::u16string Widen(const std::string& ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

// The pins of the two test-only keys, as openssl computed them from the certificates.
std::string TestKeyPins() {
  return Line(u"signed.pin") + ";" + Line(u"signed-b.pin");
}

// A second root that the machine trusts, as an enterprise root or any added root would be.
void TrustTheSecondRoot() {
  const std::string der = ReadFileBytes(Signed(u"ca2.der"));
  CHECK(!der.empty());
  HCERTSTORE store =
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  CHECK(store != nullptr);
  if (store == nullptr) {
    return;
  }
  CHECK(::CertAddEncodedCertificateToStore(
      store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
      static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, nullptr));
  ::CertCloseStore(store, 0);
}

struct Staged {
  explicit Staged(const char16_t* fixture, std::u16string signer = kSigner,
                  std::string pins = TestKeyPins())
      : s(StageSettings{u"localhost", std::move(signer), std::move(pins)}) {
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

// WinVerifyTrust alone on a file, and what the setup reads of its signer.
struct Identity {
  std::uint32_t verdict = 0xABCD;
  std::u16string commonName;
  bool hasKey = false;
  std::string pin;
};

Identity ReadIdentity(const char16_t* fixture) {
  Staged t(fixture);
  Win32TrustApi trust;
  HANDLE file = ::CreateFileW(WidePtr(t.s.worker.installerPath), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  CHECK(file != INVALID_HANDLE_VALUE);
  const FileHandle handle = reinterpret_cast<FileHandle>(file);
  TrustStateHandle state = 0;
  Identity identity;
  identity.verdict = trust.WinVerifyTrustVerify(t.s.worker.installerPath, handle, state);
  CHECK(state != 0);
  identity.commonName = trust.SignerCommonName(state);
  KeyDigest digest{};
  identity.hasKey = trust.SignerKeyDigest(state, digest);
  identity.pin = identity.hasKey ? KeyPinText(digest) : std::string();
  trust.WinVerifyTrustClose(t.s.worker.installerPath, handle, state);
  ::CloseHandle(file);
  return identity;
}

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

WINE_TEST(TheSignersCommonNameAndKeyAreThoseOpensslReadsFromTheCertificate) {
  for (const char16_t* name : {u"signed", u"signed-b", u"other-ca"}) {
    const std::u16string base = name;
    const Identity identity = ReadIdentity((base + u".exe").c_str());
    const std::string pin = Line((base + u".pin").c_str());
    const std::string cn = Line((base + u".cn").c_str());
    std::printf("  %ls: CN \"%ls\", key %s (openssl: \"%s\", %s)\n",
                reinterpret_cast<const wchar_t*>(name),
                reinterpret_cast<const wchar_t*>(identity.commonName.c_str()), identity.pin.c_str(),
                cn.c_str(), pin.c_str());
    CHECK_EQ(identity.verdict, 0);
    CHECK(identity.commonName == Widen(cn));
    CHECK(identity.hasKey);
    CHECK_EQ(pin.size(), 44);
    CHECK(identity.pin == pin);
  }
  // The two test keys differ, and the second root's leaf has a key of its own.
  CHECK(Line(u"signed.pin") != Line(u"signed-b.pin"));
  CHECK(Line(u"other-ca.pin") != Line(u"signed.pin"));
}

WINE_TEST(ALeafWithoutACommonNameHasNoNameEvenWithTheVendorAsItsOrganization) {
  const Identity identity = ReadIdentity(u"no-cn.exe");
  CHECK_EQ(identity.verdict, 0);
  CHECK(identity.commonName.empty());
  // Its key is the pinned one: only the name rule stands between it and a launch.
  CHECK(identity.pin == Line(u"signed.pin"));
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

WINE_TEST(TheVendorsSecondPinnedKeyIsAccepted) {
  Staged t(u"signed-b.exe");
  CHECK(t.Verify());
  CHECK_EQ(t.error, 0);
  // With only the first key pinned, the same file is refused: the second pin is what let it in.
  Staged only(u"signed-b.exe", kSigner, Line(u"signed.pin"));
  CHECK(!only.Verify());
  CHECK_EQ(only.error, 0x800B0004u);
}

struct Refusal {
  const char16_t* file;
  std::uint32_t code;
};

WINE_TEST(TrustedSignaturesOfAnyoneButTheVendorAreRefused) {
  TrustTheSecondRoot();
  const Refusal refusals[] = {
      {u"other-signer.exe", 0x800B0004},  // another name, another key
      {u"other-ca.exe", 0x800B0004},      // the vendor's name from another trusted root
      {u"no-cn.exe", 0x800B0004},         // O = the vendor's name, no CN
      {u"padded.exe", 0x80096010},        // genuinely signed, 64 bytes hidden in the table
      {u"unsigned.exe", 0x800B0100},      // TRUST_E_NOSIGNATURE
      {u"tampered.exe", 0x80096010},      // TRUST_E_BAD_DIGEST
  };
  for (const Refusal& r : refusals) {
    Staged t(r.file);
    const bool accepted = t.Verify();
    std::printf("  %ls: %s, 0x%08lX\n", reinterpret_cast<const wchar_t*>(r.file),
                accepted ? "accepted" : "refused", static_cast<unsigned long>(t.error));
    CHECK(!accepted);
    CHECK_EQ(t.error, r.code);
    CHECK(t.s.worker.verifiedFile.get() != 0);  // held until the driver closes and deletes it
  }
}

WINE_TEST(WinVerifyTrustAloneAcceptsTheFilesTheSetupRefuses) {
  // Why the checks exist: each of these passes the system's own check.
  for (const char16_t* file : {u"other-ca.exe", u"no-cn.exe", u"padded.exe"}) {
    CHECK_EQ(ReadIdentity(file).verdict, 0);
  }
}

WINE_TEST(WithoutAnExpectedSignerOrPinsAnyValidSignatureIsAccepted) {
  Staged t(u"other-signer.exe", u"", "");
  CHECK(t.Verify());
  CHECK_EQ(t.error, 0);
  // The table is checked in every build.
  Staged padded(u"padded.exe", u"", "");
  CHECK(!padded.Verify());
  CHECK_EQ(padded.error, 0x80096010u);
}

WINE_TEST(AMissingFileGivesTheOpenError) {
  Staged t(nullptr);
  CHECK(!t.Verify());
  CHECK_EQ(t.error, ERROR_FILE_NOT_FOUND);
  CHECK(t.s.worker.verifiedFile.get() == 0);
}

}  // namespace
