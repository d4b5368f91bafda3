#include "platform/win32/win32_trust.h"

#include <windows.h>

#include <bcrypt.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <vector>

#include "platform/win32/wide.h"

static_assert(kTrustSubjectNotTrusted == static_cast<std::uint32_t>(TRUST_E_SUBJECT_NOT_TRUSTED));
static_assert(kTrustBadDigest == static_cast<std::uint32_t>(TRUST_E_BAD_DIGEST));

namespace {

// The SDK's WINTRUST_DATA ends with pSignatureSettings; MinGW's declaration stops before it.
// cbStruct carries the full size, as current Windows declares the structure.
struct FullTrustData {
  WINTRUST_DATA data;
  void* pSignatureSettings;
};
static_assert(sizeof(void*) != 4 || sizeof(FullTrustData) == 52, "the x86 SDK layout");
static_assert(offsetof(FullTrustData, pSignatureSettings) == sizeof(WINTRUST_DATA));

// One WinVerifyTrust call on the file, as the verify and the close both make it.
LONG CallWinVerifyTrust(const std::u16string& path, FileHandle file, DWORD stateAction,
                        HANDLE& state) {
  WINTRUST_FILE_INFO fileInfo{};
  fileInfo.cbStruct = sizeof(fileInfo);
  fileInfo.pcwszFilePath = WidePtr(path);
  fileInfo.hFile = reinterpret_cast<HANDLE>(file);
  fileInfo.pgKnownSubject = nullptr;

  FullTrustData trust{};
  trust.data.cbStruct = sizeof(trust);
  trust.data.dwUIChoice = WTD_UI_NONE;
  trust.data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
  trust.data.dwUnionChoice = WTD_CHOICE_FILE;
  trust.data.pFile = &fileInfo;
  trust.data.dwStateAction = stateAction;
  trust.data.hWVTStateData = state;
  trust.data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN;

  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  // No interactive user: INVALID_HANDLE_VALUE as the window.
  const LONG result = ::WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &trust);
  state = trust.data.hWVTStateData;
  return result;
}

// crypt32 is taken from the copy that wintrust itself loaded (it cannot verify without it), so
// the setup neither binds crypt32 at load time nor searches for it: GetModuleHandleW loads
// nothing.
template <typename Function>
Function FromLoadedCrypt32(const char* name) {
  HMODULE crypt32 = ::GetModuleHandleW(L"crypt32.dll");
  if (crypt32 == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(crypt32, name)));
}

using CertGetNameStringWFunction = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR,
                                                  DWORD);
using CryptEncodeObjectExFunction = BOOL(WINAPI*)(DWORD, LPCSTR, const void*, DWORD,
                                                  PCRYPT_ENCODE_PARA, void*, DWORD*);

// The first signer of the primary signature (not a counter-signer), whose chain starts with its
// own certificate; null when the state has none.
PCCERT_CONTEXT SignerCertificate(TrustStateHandle state) {
  if (state == 0) {
    return nullptr;
  }
  CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(reinterpret_cast<HANDLE>(state));
  if (provider == nullptr) {
    return nullptr;
  }
  CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr) {
    return nullptr;
  }
  return signer->pasCertChain[0].pCert;
}

// Owns a CNG object handle and the algorithm provider it came from.
struct Sha256 {
  ~Sha256() {
    if (hash != nullptr) {
      ::BCryptDestroyHash(hash);
    }
    if (algorithm != nullptr) {
      ::BCryptCloseAlgorithmProvider(algorithm, 0);
    }
  }
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
};

bool Sha256Of(const BYTE* data, DWORD size, KeyDigest& digest) {
  Sha256 sha;
  return BCRYPT_SUCCESS(
             ::BCryptOpenAlgorithmProvider(&sha.algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
         BCRYPT_SUCCESS(::BCryptCreateHash(sha.algorithm, &sha.hash, nullptr, 0, nullptr, 0, 0)) &&
         BCRYPT_SUCCESS(::BCryptHashData(sha.hash, const_cast<BYTE*>(data), size, 0)) &&
         BCRYPT_SUCCESS(
             ::BCryptFinishHash(sha.hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
}

}  // namespace

std::uint32_t Win32TrustApi::WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                                  TrustStateHandle& state) {
  HANDLE handle = nullptr;
  const LONG result = CallWinVerifyTrust(path, file, WTD_STATEACTION_VERIFY, handle);
  state = reinterpret_cast<TrustStateHandle>(handle);
  return static_cast<std::uint32_t>(result);
}

std::u16string Win32TrustApi::SignerCommonName(TrustStateHandle state) {
  PCCERT_CONTEXT certificate = SignerCertificate(state);
  const auto getName = FromLoadedCrypt32<CertGetNameStringWFunction>("CertGetNameStringW");
  if (certificate == nullptr || getName == nullptr) {
    return {};
  }
  // The CN attribute alone: the display-name types fall back to O, OU or an e-mail address when
  // a certificate has no CN, and any of those would let another subject pass for the vendor.
  char commonNameOid[] = szOID_COMMON_NAME;
  const DWORD chars = getName(certificate, CERT_NAME_ATTR_TYPE, 0, commonNameOid, nullptr, 0);
  if (chars <= 1) {
    return {};
  }
  std::u16string name(chars, u'\0');
  const DWORD written = getName(certificate, CERT_NAME_ATTR_TYPE, 0, commonNameOid,
                                reinterpret_cast<wchar_t*>(name.data()), chars);
  // Without the terminator. The count is the whole value's, so a NUL inside it is kept and the
  // comparison with the expected name fails.
  name.resize(written > 0 && written <= chars ? written - 1 : 0);
  return name;
}

bool Win32TrustApi::SignerKeyDigest(TrustStateHandle state, KeyDigest& digest) {
  PCCERT_CONTEXT certificate = SignerCertificate(state);
  const auto encode = FromLoadedCrypt32<CryptEncodeObjectExFunction>("CryptEncodeObjectEx");
  if (certificate == nullptr || certificate->pCertInfo == nullptr || encode == nullptr) {
    return false;
  }
  // The DER SubjectPublicKeyInfo, encoded again from the parsed certificate: the same bytes the
  // certificate carries, which is what a pin made with openssl hashes.
  const CERT_PUBLIC_KEY_INFO* key = &certificate->pCertInfo->SubjectPublicKeyInfo;
  DWORD size = 0;
  if (!encode(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, 0, nullptr, nullptr, &size) ||
      size == 0) {
    return false;
  }
  std::vector<BYTE> der(size);
  if (!encode(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, key, 0, nullptr, der.data(), &size) ||
      size > der.size()) {
    return false;
  }
  return Sha256Of(der.data(), size, digest);
}

void Win32TrustApi::WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                                        TrustStateHandle state) {
  HANDLE handle = reinterpret_cast<HANDLE>(state);
  CallWinVerifyTrust(path, file, WTD_STATEACTION_CLOSE, handle);
}
