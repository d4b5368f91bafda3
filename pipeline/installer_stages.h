// The installer's real pipeline stages over the platform: staging directory, download, signature
// check and launch. Every stage runs on the worker thread of the SetupWorker it is given.
#pragma once

#include <cstdint>
#include <string>

#include "pipeline/pipeline_stages.h"
#include "platform/file_api.h"
#include "platform/http_api.h"
#include "platform/process_api.h"
#include "platform/security_api.h"
#include "platform/trust_api.h"

// The Windows services the stages call; they must outlive the stages.
struct StageServices {
  FileApi& files;
  HttpApi& http;
  SecurityApi& security;
  TrustApi& trust;
  ProcessApi& processes;
};

// What the build fixes about the vendor: the download host, the subject CN that the signer's
// certificate of a downloaded installer must carry exactly, and the keys that certificate may
// have (semicolon-separated base64 SHA-256 digests of its SubjectPublicKeyInfo). An empty signer
// and no pins accept any signature the system trusts: for development builds only.
struct StageSettings {
  std::u16string downloadHost;
  std::u16string expectedSigner;
  std::string signerKeyPins;
};

// The fixed parts of the download and the staging area.
inline constexpr char16_t kUserAgent[] =
    u"Mozilla/5.0 (Windows NT 10.0; Win64; x64) VorneSandboxSetup/1.0";
inline constexpr char16_t kDownloadPath[] = u"/upd/VorneSandboxInstall.exe";
inline constexpr char16_t kStagingAccess[] = u"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
inline constexpr char16_t kStagingPrefix[] = u"\\Temp\\VorneSandboxSetup.";
inline constexpr char16_t kInstallerName[] = u"\\VorneSandboxInstall.exe";
inline constexpr int kHttpTimeoutMs = 30000;
inline constexpr std::uint32_t kTolerateBadCertificates = 0x3300;  // WINHTTP_OPTION_SECURITY_FLAGS
inline constexpr int kMaxRedirects = 5;
inline constexpr std::uint64_t kMaxInstallerBytes = 1073741824;  // 1 GiB, accepted
inline constexpr std::uint32_t kReadChunkBytes = 65536;
inline constexpr int kStagingAttempts = 8;
inline constexpr std::uint32_t kInputIdleWaitMs = 15000;

class InstallerStages final : public PipelineStages {
 public:
  InstallerStages(const StageServices& services, StageSettings settings);

  bool CreateStagingDirectory(SetupWorker& worker, std::uint32_t& error) override;
  DownloadResult Download(SetupWorker& worker, bool secure, std::uint32_t& error) override;
  bool VerifySignature(SetupWorker& worker, std::uint32_t& error) override;
  void LaunchInstaller(SetupWorker& worker) override;

  // The response's Location header, empty when there is none or it cannot be read.
  std::u16string QueryLocation(HttpHandle request);

 private:
  class Attempt;

  // After WinVerifyTrust accepted the held file: its certificate table and its signer's identity.
  // 0 or the refusal's code.
  std::uint32_t CheckSignedFile(FileHandle file, TrustStateHandle state);

  const StageServices services_;
  const StageSettings settings_;
};

// The 16 lowercase hex digits of the staging directory's name: the 8 bytes in the order they were
// generated, high nibble first.
std::u16string StagingNameDigits(const std::uint8_t (&bytes)[8]);
