// Authenticode verification (WinVerifyTrust with WINTRUST_ACTION_GENERIC_VERIFY_V2) and the
// identity of the signer it found.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/handles.h"

// The verification state WinVerifyTrust keeps between the verify and the close call
// (WINTRUST_DATA::hWVTStateData); 0 is none.
using TrustStateHandle = std::uintptr_t;

// SHA-256 of a certificate's DER SubjectPublicKeyInfo.
using KeyDigest = std::array<std::uint8_t, 32>;

inline constexpr std::uint32_t kTrustSubjectNotTrusted = 0x800B0004;  // TRUST_E_SUBJECT_NOT_TRUSTED
inline constexpr std::uint32_t kTrustBadDigest = 0x80096010;          // TRUST_E_BAD_DIGEST

// The signer is always the first signer of the primary signature, and its certificate is element
// 0 of that signer's chain: never a counter-signer or a nested signature.
class TrustApi {
 public:
  // WinVerifyTrust(INVALID_HANDLE_VALUE, generic verify v2, data) with WTD_STATEACTION_VERIFY,
  // no UI, revocation checked for the whole chain, the file given by path and open handle.
  // Returns its result (0: trusted) and the state it left, which WinVerifyTrustClose releases.
  virtual std::uint32_t WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                             TrustStateHandle& state) = 0;
  // The signer certificate's subject CN attribute alone (CERT_NAME_ATTR_TYPE, szOID_COMMON_NAME),
  // in full, read from a verification state; empty when it has none or it cannot be read.
  virtual std::u16string SignerCommonName(TrustStateHandle state) = 0;
  // SHA-256 of the signer certificate's DER SubjectPublicKeyInfo; false when it cannot be had.
  virtual bool SignerKeyDigest(TrustStateHandle state, KeyDigest& digest) = 0;
  // The same call with WTD_STATEACTION_CLOSE, releasing `state`; its result is of no use.
  virtual void WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                                   TrustStateHandle state) = 0;

 protected:
  ~TrustApi() = default;
};
