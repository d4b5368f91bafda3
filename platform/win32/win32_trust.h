// WinVerifyTrust (delay-loaded wintrust), the signer's CN and key (crypt32, as loaded by wintrust)
// and the key's digest (delay-loaded bcrypt).
#pragma once

#include "platform/trust_api.h"

class Win32TrustApi final : public TrustApi {
 public:
  std::uint32_t WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                     TrustStateHandle& state) override;
  std::u16string SignerCommonName(TrustStateHandle state) override;
  bool SignerKeyDigest(TrustStateHandle state, KeyDigest& digest) override;
  void WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                           TrustStateHandle state) override;
};
