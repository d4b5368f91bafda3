// The signature check over the scripted trust service. Trust and revocation rejections are only
// reachable here: Wine's WinVerifyTrust checks presence and digest, nothing else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/key_pins.h"

#include "tests/pipeline/pe_image.h"
#include "tests/pipeline/stage_fixture.h"

namespace {

using ::testing::ElementsAre;

std::vector<std::string> ActionsOf(const StageFixture& g) {
  std::vector<std::string> actions;
  for (const TrustCall& c : g.trust.calls) {
    actions.push_back(c.action);
  }
  return actions;
}

struct VerifyTest : ::testing::Test {
  VerifyTest() {
    f.Staged();
    f.files.AddFile(kInstallerPath, SignedPeImage());
  }
  bool Verify() { return f.stages.VerifySignature(f.worker, error); }
  std::vector<std::string> TrustActions() const { return ActionsOf(f); }

  StageFixture f;
  std::uint32_t error = 0xABCD;
};

TEST_F(VerifyTest, TrustedFileIsAcceptedAndStaysOpenForReadingOnly) {
  EXPECT_TRUE(Verify());
  EXPECT_EQ(error, 0u);
  const auto opens = f.files.Opens();
  ASSERT_EQ(opens.size(), 1u);
  EXPECT_EQ(opens[0].path, kInstallerPath);
  EXPECT_EQ(opens[0].access, kGenericRead);
  EXPECT_EQ(opens[0].share, kFileShareRead);
  EXPECT_EQ(opens[0].disposition, kOpenExisting);
  EXPECT_EQ(f.worker.verifiedFile.get(), opens[0].handle);
  EXPECT_EQ(f.files.OpenHandles().count(opens[0].handle), 1u);

  ASSERT_EQ(f.trust.calls.size(), 4u);
  EXPECT_THAT(TrustActions(), ElementsAre("verify", "name", "key", "close"));
  for (const TrustCall& c : {f.trust.calls[0], f.trust.calls[3]}) {
    EXPECT_EQ(c.path, kInstallerPath);
    EXPECT_EQ(c.file, opens[0].handle);
    EXPECT_EQ(c.state, kFakeTrustState);
  }
  // The held file can be read by others, but neither deleted nor opened for writing from under
  // the installer, however widely the other side shares.
  constexpr std::uint32_t kShareAll =
      kFileShareRead | FakeFileApi::kShareWrite | FakeFileApi::kShareDelete;
  f.files.DeleteFileW(kInstallerPath);
  EXPECT_TRUE(f.files.Exists(kInstallerPath));
  for (const std::uint32_t access : {kGenericWrite, FakeFileApi::kDeleteAccess}) {
    std::uint32_t openError = 0;
    EXPECT_EQ(f.files.CreateFileW(kInstallerPath, access, kShareAll, kOpenExisting, openError),
              kInvalidHandleValue)
        << access;
    EXPECT_EQ(openError, FakeFileApi::kErrorSharingViolation) << access;
  }
  std::uint32_t readError = 0;
  const FileHandle reader =
      f.files.CreateFileW(kInstallerPath, kGenericRead, kShareAll, kOpenExisting, readError);
  EXPECT_NE(reader, kInvalidHandleValue) << readError;
  f.files.CloseHandle(reader);
  EXPECT_EQ(f.files.Contents(kInstallerPath), SignedPeImage());

  // What refused the delete was that hold: released, the file goes.
  f.worker.verifiedFile.reset();
  f.files.DeleteFileW(kInstallerPath);
  EXPECT_FALSE(f.files.Exists(kInstallerPath));
}

// The fake's delete follows Windows: DeleteFileW asks for DELETE access, so it fails (the file
// stays) exactly while some open handle does not share delete; when every handle shares it, the
// file is gone for everyone and leaves with the last close.
TEST(FakeFileSharing, ADeleteIsRefusedOnlyByAHandleThatDoesNotShareDelete) {
  constexpr std::u16string_view kDir = u"C:\\d";
  const std::u16string path = std::u16string(kDir) + u"\\f";
  const struct {
    const char* what;
    std::vector<std::uint32_t> shares;  // one open handle (read access) per entry
    bool deleted;
  } cases[] = {
      {"no open handle", {}, true},
      {"shared for reading only", {kFileShareRead}, false},
      {"shared for reading and writing", {kFileShareRead | FakeFileApi::kShareWrite}, false},
      {"shared for delete", {kFileShareRead | FakeFileApi::kShareDelete}, true},
      {"one of two does not share delete",
       {kFileShareRead | FakeFileApi::kShareDelete, kFileShareRead},
       false},
  };
  for (const auto& c : cases) {
    FakeFileApi files;
    files.AddDirectory(std::u16string(kDir));
    files.AddFile(path, "data");
    std::vector<FileHandle> handles;
    for (const std::uint32_t share : c.shares) {
      std::uint32_t error = 0;
      handles.push_back(
          files.CreateFileW(path, kGenericRead, share | kFileShareRead, kOpenExisting, error));
      ASSERT_NE(handles.back(), kInvalidHandleValue) << c.what;
    }
    files.DeleteFileW(path);
    EXPECT_EQ(files.Exists(path), !c.deleted) << c.what;
    for (const FileHandle handle : handles) {
      files.CloseHandle(handle);
    }
    EXPECT_EQ(files.Exists(path), !c.deleted) << c.what << ", after the last close";
  }
}

TEST_F(VerifyTest, EveryVerdictIsTheErrorAndTheStateIsAlwaysReleased) {
  for (std::uint32_t verdict :
       {0x800B0100u /* TRUST_E_NOSIGNATURE */, 0x80096010u /* TRUST_E_BAD_DIGEST */,
        0x800B0109u /* CERT_E_UNTRUSTEDROOT */, 0x800B010Cu /* CERT_E_REVOKED */,
        0x800B010Eu /* CERT_E_REVOCATION_FAILURE */, 0x80092013u /* CRYPT_E_REVOCATION_OFFLINE */,
        0x800B0101u /* CERT_E_EXPIRED */, 1u}) {
    StageFixture g;
    g.Staged();
    g.files.AddFile(kInstallerPath, SignedPeImage());
    g.trust.verdict = verdict;
    std::uint32_t code = 0;
    EXPECT_FALSE(g.stages.VerifySignature(g.worker, code)) << verdict;
    EXPECT_EQ(code, verdict);
    ASSERT_EQ(g.trust.calls.size(), 2u) << "no identity check of a rejected file";
    EXPECT_EQ(g.trust.calls[0].action, "verify");
    EXPECT_EQ(g.trust.calls[1].action, "close");
    EXPECT_TRUE(g.worker.verifiedFile) << "held until the driver closes it";
  }
}

TEST_F(VerifyTest, AFileThatCannotBeOpenedGivesTheOpenErrorWithoutATrustCall) {
  StageFixture g;
  g.Staged();  // no file
  std::uint32_t code = 0;
  EXPECT_FALSE(g.stages.VerifySignature(g.worker, code));
  EXPECT_EQ(code, 2u);
  EXPECT_TRUE(g.trust.calls.empty());
  EXPECT_FALSE(g.worker.verifiedFile);
}

TEST_F(VerifyTest, AnEarlierHandleIsReplacedAndClosed) {
  constexpr FileHandle kEarlier = 0x777;
  f.worker.verifiedFile.reset(kEarlier);
  EXPECT_TRUE(Verify());
  EXPECT_EQ(f.files.CloseCount(kEarlier), 1);
  EXPECT_NE(f.worker.verifiedFile.get(), kEarlier);
  // The new handle was opened before the old one was closed.
  EXPECT_THAT(f.log.Events(), ElementsAre("CreateFileW", "CloseHandle file",
                                          "WinVerifyTrust verify", "WinVerifyTrust close"));
}

TEST_F(VerifyTest, AnEarlierHandleIsClosedAlsoWhenTheOpenFails) {
  StageFixture g;
  g.Staged();
  g.worker.verifiedFile.reset(0x777);
  g.files.createFileError = 32;  // ERROR_SHARING_VIOLATION
  std::uint32_t code = 0;
  EXPECT_FALSE(g.stages.VerifySignature(g.worker, code));
  EXPECT_EQ(code, 32u) << "the open's error, not one left by closing the old handle";
  EXPECT_EQ(g.files.CloseCount(0x777), 1);
  EXPECT_FALSE(g.worker.verifiedFile);
}

// The signer's identity: a valid, trusted signature by anyone but the vendor is refused. The name
// is the certificate's CN attribute alone, compared in full and case for case; the fake returns
// what the real code reads with CERT_NAME_ATTR_TYPE, so "" is a certificate without a CN (whatever
// its O, OU or e-mail say).
TEST_F(VerifyTest, ATrustedSignatureByAnotherNameIsRefused) {
  const std::u16string others[] = {u"Mallory Software Ltd",
                                   u"VORNE Sandbox Test Signing ",
                                   u" VORNE Sandbox Test Signing",
                                   u"vorne sandbox test signing",
                                   u"VORNE Sandbox Test Signin",
                                   u"VORNE Sandbox Test Signing, Inc.",
                                   std::u16string(u"VORNE Sandbox Test Signing\0x", 28),
                                   u""};
  for (const std::u16string& name : others) {
    StageFixture g;
    g.Staged();
    g.files.AddFile(kInstallerPath, SignedPeImage());
    g.trust.commonName = name;
    std::uint32_t code = 0;
    EXPECT_FALSE(g.stages.VerifySignature(g.worker, code));
    EXPECT_EQ(code, 0x800B0004u);  // TRUST_E_SUBJECT_NOT_TRUSTED
    EXPECT_THAT(ActionsOf(g), ElementsAre("verify", "name", "close"));
    EXPECT_TRUE(g.worker.verifiedFile) << "held until the driver closes and deletes it";
  }
}

struct KeyCase {
  const char* what;
  std::string pins;
  std::optional<KeyDigest> key;
  bool accepted;
};

TEST_F(VerifyTest, TheSignersKeyMustBeOneOfThePins) {
  const std::string first = KeyPinText(kTestKey);
  const std::string second = KeyPinText(kRotatedTestKey);
  KeyDigest nearMiss = kTestKey;
  nearMiss[0] ^= 0x80;
  const KeyCase cases[] = {
      {"the first pin", kTestKeyPins, kTestKey, true},
      {"the second pin: a rotated key", kTestKeyPins, kRotatedTestKey, true},
      {"one pin only", second, kRotatedTestKey, true},
      {"a key that is not pinned", first, kRotatedTestKey, false},
      {"one bit off", kTestKeyPins, nearMiss, false},
      {"the key cannot be read", kTestKeyPins, std::nullopt, false},
      {"a malformed list matches nothing", first.substr(0, 43), kTestKey, false},
      {"no pins: any key", "", kRotatedTestKey, true},
      {"no pins, key unreadable", "", std::nullopt, true},
  };
  for (const KeyCase& c : cases) {
    StageFixture g(kTestSigner, c.pins);
    g.Staged();
    g.files.AddFile(kInstallerPath, SignedPeImage());
    g.trust.keyDigest = c.key;
    std::uint32_t code = 0xABCD;
    EXPECT_EQ(g.stages.VerifySignature(g.worker, code), c.accepted) << c.what;
    EXPECT_EQ(code, c.accepted ? 0u : 0x800B0004u) << c.what;
    EXPECT_EQ(g.trust.calls.back().action, "close") << c.what;
  }
}

TEST_F(VerifyTest, APinnedKeyDoesNotExcuseAnotherName) {
  StageFixture g;
  g.Staged();
  g.files.AddFile(kInstallerPath, SignedPeImage());
  g.trust.commonName = u"Mallory Software Ltd";
  g.trust.keyDigest = kTestKey;
  std::uint32_t code = 0;
  EXPECT_FALSE(g.stages.VerifySignature(g.worker, code));
  EXPECT_EQ(code, 0x800B0004u);
}

TEST_F(VerifyTest, AnEmptyExpectedSignerAndNoPinsAcceptAnyTrustedSigner) {
  StageFixture g(u"", "");
  g.Staged();
  g.files.AddFile(kInstallerPath, SignedPeImage());
  g.trust.commonName = u"Someone Else";
  g.trust.keyDigest = std::nullopt;
  std::uint32_t code = 1;
  EXPECT_TRUE(g.stages.VerifySignature(g.worker, code));
  EXPECT_EQ(code, 0u);
  EXPECT_THAT(ActionsOf(g), ElementsAre("verify", "close"));
}

// Bytes hidden in the certificate table are covered by no signature, so WinVerifyTrust passes
// them; they are refused before anyone's identity is looked at, in every build.
TEST_F(VerifyTest, AnythingButOneSignatureInTheCertificateTableIsABadDigest) {
  struct TableCase {
    const char* what;
    std::string contents;
    std::u16string signer;
  };
  const std::string image = SignedPeImage();
  const TableCase cases[] = {
      {"64 bytes hidden after the signature", SignedPeImage(std::string(64, 'X')), kTestSigner},
      {"zeros hidden after the padding", SignedPeImage(std::string(8, '\0')), kTestSigner},
      {"data after the table", image + "tail", kTestSigner},
      {"not a PE image", "MZ signed", kTestSigner},
      {"hidden bytes, development build", SignedPeImage(std::string(64, 'X')), u""},
  };
  for (const TableCase& c : cases) {
    StageFixture g(c.signer, c.signer.empty() ? "" : kTestKeyPins);
    g.Staged();
    g.files.AddFile(kInstallerPath, c.contents);
    std::uint32_t code = 0;
    EXPECT_FALSE(g.stages.VerifySignature(g.worker, code)) << c.what;
    EXPECT_EQ(code, 0x80096010u) << c.what;  // TRUST_E_BAD_DIGEST
    EXPECT_THAT(ActionsOf(g), ElementsAre("verify", "close")) << c.what;
    EXPECT_TRUE(g.worker.verifiedFile) << c.what;
  }
}

TEST_F(VerifyTest, ATableThatCannotBeReadIsABadDigest) {
  f.files.readError = 23;  // ERROR_CRC
  EXPECT_FALSE(Verify());
  EXPECT_EQ(error, 0x80096010u);
  EXPECT_THAT(TrustActions(), ElementsAre("verify", "close"));
}

}  // namespace
