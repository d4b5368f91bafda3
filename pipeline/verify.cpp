// The signature check: the staged file is opened and held before it is verified, so the file
// that passes is the file that is started.
#include <cstdint>
#include <string>

#include "pipeline/certificate_table.h"
#include "pipeline/installer_stages.h"
#include "pipeline/key_pins.h"
#include "pipeline/setup_worker.h"

namespace {

// The held handle as the certificate table's parser reads it.
class HeldFileReader final : public ReadAtOffset {
 public:
  HeldFileReader(FileApi& files, FileHandle file) : files_(files), file_(file) {}

  bool ReadAt(std::uint64_t offset, void* buffer, std::uint32_t size) override {
    std::uint32_t read = 0;
    std::uint32_t error = 0;
    return files_.ReadFileAt(file_, offset, buffer, size, read, error) && read == size;
  }

 private:
  FileApi& files_;
  const FileHandle file_;
};

}  // namespace

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
  if (result == 0) {
    result = CheckSignedFile(file, state);
  }
  trust.WinVerifyTrustClose(worker.installerPath, file, state);
  error = result;
  return result == 0;
}

// A trusted signature is not yet enough. The download tolerates plain HTTP and bad server
// certificates, and the installer runs elevated, so anyone on the network path could otherwise
// hand us any program that any root in the machine's store vouches for, or a genuine installer
// with bytes of their own hidden in its certificate table, where no signature covers them.
std::uint32_t InstallerStages::CheckSignedFile(FileHandle file, TrustStateHandle state) {
  FileApi& files = services_.files;
  std::uint64_t size = 0;
  std::uint32_t sizeError = 0;
  HeldFileReader reader(files, file);
  if (!files.GetFileSizeEx(file, size, sizeError) || !HasStrictCertificateTable(reader, size)) {
    return kTrustBadDigest;
  }

  TrustApi& trust = services_.trust;
  if (!settings_.expectedSigner.empty() &&
      trust.SignerCommonName(state) != settings_.expectedSigner) {
    return kTrustSubjectNotTrusted;
  }
  if (!settings_.signerKeyPins.empty()) {
    KeyDigest digest{};
    if (!trust.SignerKeyDigest(state, digest) || !KeyPinsContain(settings_.signerKeyPins, digest)) {
      return kTrustSubjectNotTrusted;
    }
  }
  return 0;
}
