// Authenticode verification (WinVerifyTrust with WINTRUST_ACTION_GENERIC_VERIFY_V2).
#pragma once

#include <cstdint>
#include <string>

#include "platform/handles.h"

// The verification state WinVerifyTrust keeps between the verify and the close call
// (WINTRUST_DATA::hWVTStateData); 0 is none.
using TrustStateHandle = std::uintptr_t;

inline constexpr std::uint32_t kTrustSubjectNotTrusted = 0x800B0004;  // TRUST_E_SUBJECT_NOT_TRUSTED

class TrustApi {
 public:
  // WinVerifyTrust(INVALID_HANDLE_VALUE, generic verify v2, data) with WTD_STATEACTION_VERIFY,
  // no UI, revocation checked for the whole chain, the file given by path and open handle.
  // Returns its result (0: trusted) and the state it left, which WinVerifyTrustClose releases.
  virtual std::uint32_t WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                             TrustStateHandle& state) = 0;
  // The simple display name (CERT_NAME_SIMPLE_DISPLAY_TYPE) of the signer's own certificate, read
  // from a verification state; empty when it cannot be read.
  virtual std::u16string SignerDisplayName(TrustStateHandle state) = 0;
  // The same call with WTD_STATEACTION_CLOSE, releasing `state`; its result is of no use.
  virtual void WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                                   TrustStateHandle state) = 0;

 protected:
  ~TrustApi() = default;
};
