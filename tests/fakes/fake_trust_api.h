// A scripted WinVerifyTrust: the verdict and the signer's identity are set by the test. It stands
// in for the trust and revocation rejections that Wine's WinVerifyTrust never gives (it checks
// only that a signature is present and the digest matches).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/trust_api.h"

class EventLog;

inline constexpr TrustStateHandle kFakeTrustState = 0x5EED;

struct TrustCall {
  std::string action;  // "verify", "name", "key" or "close"
  std::u16string path;
  FileHandle file = 0;
  TrustStateHandle state = 0;
};

class FakeTrustApi final : public TrustApi {
 public:
  std::uint32_t WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                     TrustStateHandle& state) override;
  std::u16string SignerCommonName(TrustStateHandle state) override;
  bool SignerKeyDigest(TrustStateHandle state, KeyDigest& digest) override;
  void WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                           TrustStateHandle state) override;

  std::uint32_t verdict = 0;
  std::u16string commonName;
  std::optional<KeyDigest> keyDigest;  // none: the digest cannot be had
  EventLog* log = nullptr;

  std::vector<TrustCall> calls;
};
