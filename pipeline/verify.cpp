// The signature check: the staged file is opened and held before it is verified, so the file
// that passes is the file that is started.
#include <cstdint>
#include <string>

#include "pipeline/installer_stages.h"
#include "pipeline/setup_worker.h"

bool InstallerStages::VerifySignature(SetupWorker& worker, std::uint32_t& error) {
  FileApi& files = services_.files;
  std::uint32_t openError = 0;
  // Replaces (and closes) any earlier handle. Sharing for reading only: while it is held nobody
  // can open the file for writing or delete it.
  worker.verifiedFile =
      UniqueFile(files, files.CreateFileW(worker.installerPath, kGenericRead, kFileShareRead,
                                          kOpenExisting, openError));
  if (!worker.verifiedFile) {
    error = openError;
    return false;
  }

  TrustApi& trust = services_.trust;
  const FileHandle file = worker.verifiedFile.get();
  TrustStateHandle state = 0;
  std::uint32_t result = trust.WinVerifyTrustVerify(worker.installerPath, file, state);
  // Trust alone would let anyone on the network path (the download tolerates plain HTTP and bad
  // server certificates) hand us any validly signed program to run elevated: the signer must also
  // be the vendor.
  if (result == 0 && !settings_.expectedSigner.empty() &&
      trust.SignerDisplayName(state) != settings_.expectedSigner) {
    result = kTrustSubjectNotTrusted;
  }
  trust.WinVerifyTrustClose(worker.installerPath, file, state);
  error = result;
  return result == 0;
}
