// WinVerifyTrust (delay-loaded wintrust) and the signer's name (crypt32, as loaded by wintrust).
#pragma once

#include "platform/trust_api.h"

class Win32TrustApi final : public TrustApi {
 public:
  std::uint32_t WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                     TrustStateHandle& state) override;
  std::u16string SignerDisplayName(TrustStateHandle state) override;
  void WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                           TrustStateHandle state) override;
};
