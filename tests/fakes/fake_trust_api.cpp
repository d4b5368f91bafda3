#include "tests/fakes/fake_trust_api.h"

#include "tests/fakes/event_log.h"

std::uint32_t FakeTrustApi::WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                                 TrustStateHandle& state) {
  state = kFakeTrustState;
  calls.push_back(TrustCall{"verify", path, file, state});
  if (log != nullptr) {
    log->Add("WinVerifyTrust verify");
  }
  return verdict;
}

std::u16string FakeTrustApi::SignerCommonName(TrustStateHandle state) {
  calls.push_back(TrustCall{"name", {}, 0, state});
  return state == kFakeTrustState ? commonName : std::u16string();
}

bool FakeTrustApi::SignerKeyDigest(TrustStateHandle state, KeyDigest& digest) {
  calls.push_back(TrustCall{"key", {}, 0, state});
  if (state != kFakeTrustState || !keyDigest) {
    return false;
  }
  digest = *keyDigest;
  return true;
}

void FakeTrustApi::WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                                       TrustStateHandle state) {
  calls.push_back(TrustCall{"close", path, file, state});
  if (log != nullptr) {
    log->Add("WinVerifyTrust close");
  }
}
