// The signature check over the scripted trust service. Trust and revocation rejections are only
// reachable here: Wine's WinVerifyTrust checks presence and digest, nothing else.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "tests/pipeline/stage_fixture.h"

namespace {

using ::testing::ElementsAre;

struct VerifyTest : ::testing::Test {
  VerifyTest() {
    f.Staged();
    f.files.AddFile(kInstallerPath, "MZ signed");
  }
  bool Verify() { return f.stages.VerifySignature(f.worker, error); }
  std::vector<std::string> TrustActions() const {
    std::vector<std::string> actions;
    for (const TrustCall& c : f.trust.calls) {
      actions.push_back(c.action);
    }
    return actions;
  }

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

  ASSERT_EQ(f.trust.calls.size(), 3u);
  EXPECT_THAT(TrustActions(), ElementsAre("verify", "signer", "close"));
  for (const TrustCall& c : {f.trust.calls[0], f.trust.calls[2]}) {
    EXPECT_EQ(c.path, kInstallerPath);
    EXPECT_EQ(c.file, opens[0].handle);
    EXPECT_EQ(c.state, kFakeTrustState);
  }
  // The held file cannot be deleted from under the installer.
  f.files.DeleteFileW(kInstallerPath);
  EXPECT_TRUE(f.files.Exists(kInstallerPath));
}

TEST_F(VerifyTest, EveryVerdictIsTheErrorAndTheStateIsAlwaysReleased) {
  for (std::uint32_t verdict :
       {0x800B0100u /* TRUST_E_NOSIGNATURE */, 0x80096010u /* TRUST_E_BAD_DIGEST */,
        0x800B0109u /* CERT_E_UNTRUSTEDROOT */, 0x800B010Cu /* CERT_E_REVOKED */,
        0x800B010Eu /* CERT_E_REVOCATION_FAILURE */, 0x80092013u /* CRYPT_E_REVOCATION_OFFLINE */,
        0x800B0101u /* CERT_E_EXPIRED */, 1u}) {
    StageFixture g;
    g.Staged();
    g.files.AddFile(kInstallerPath, "MZ");
    g.trust.verdict = verdict;
    std::uint32_t code = 0;
    EXPECT_FALSE(g.stages.VerifySignature(g.worker, code)) << verdict;
    EXPECT_EQ(code, verdict);
    ASSERT_EQ(g.trust.calls.size(), 2u) << "no signer check of a rejected file";
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

// Signer pinning: a valid, trusted signature by anyone but the vendor is refused.
TEST_F(VerifyTest, ATrustedSignatureByAnotherSignerIsRefused) {
  const std::u16string others[] = {u"Mallory Software Ltd", u"VORNE Sandbox Test Signing ",
                                   u"vorne sandbox test signing", u"VORNE Sandbox Test Signin",
                                   u""};
  for (const std::u16string& signer : others) {
    StageFixture g;
    g.Staged();
    g.files.AddFile(kInstallerPath, "MZ");
    g.trust.signer = signer;
    std::uint32_t code = 0;
    EXPECT_FALSE(g.stages.VerifySignature(g.worker, code));
    EXPECT_EQ(code, 0x800B0004u);  // TRUST_E_SUBJECT_NOT_TRUSTED
    std::vector<std::string> actions;
    for (const TrustCall& c : g.trust.calls) {
      actions.push_back(c.action);
    }
    EXPECT_THAT(actions, ElementsAre("verify", "signer", "close"));
  }
}

TEST_F(VerifyTest, AnEmptyExpectedSignerAcceptsAnyTrustedSigner) {
  StageFixture g(u"");
  g.Staged();
  g.files.AddFile(kInstallerPath, "MZ");
  g.trust.signer = u"Someone Else";
  std::uint32_t code = 1;
  EXPECT_TRUE(g.stages.VerifySignature(g.worker, code));
  EXPECT_EQ(code, 0u);
  ASSERT_EQ(g.trust.calls.size(), 2u);
  EXPECT_EQ(g.trust.calls[1].action, "close");
}

}  // namespace
