#include "platform/win32/win32_trust.h"

#include <windows.h>

#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/win32/wide.h"

static_assert(kTrustSubjectNotTrusted == static_cast<std::uint32_t>(TRUST_E_SUBJECT_NOT_TRUSTED));

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

using CertGetNameStringWFunction = DWORD(WINAPI*)(PCCERT_CONTEXT, DWORD, DWORD, void*, LPWSTR,
                                                  DWORD);

// crypt32 is taken from the copy that wintrust itself loaded (it cannot verify without it), so
// the setup neither binds crypt32 at load time nor searches for it: GetModuleHandleW loads
// nothing.
CertGetNameStringWFunction CertGetNameStringWFromLoadedCrypt32() {
  HMODULE crypt32 = ::GetModuleHandleW(L"crypt32.dll");
  if (crypt32 == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<CertGetNameStringWFunction>(
      reinterpret_cast<void (*)()>(::GetProcAddress(crypt32, "CertGetNameStringW")));
}

}  // namespace

std::uint32_t Win32TrustApi::WinVerifyTrustVerify(const std::u16string& path, FileHandle file,
                                                  TrustStateHandle& state) {
  HANDLE handle = nullptr;
  const LONG result = CallWinVerifyTrust(path, file, WTD_STATEACTION_VERIFY, handle);
  state = reinterpret_cast<TrustStateHandle>(handle);
  return static_cast<std::uint32_t>(result);
}

std::u16string Win32TrustApi::SignerDisplayName(TrustStateHandle state) {
  if (state == 0) {
    return {};
  }
  CRYPT_PROVIDER_DATA* provider = ::WTHelperProvDataFromStateData(reinterpret_cast<HANDLE>(state));
  if (provider == nullptr) {
    return {};
  }
  // The first signer, not a counter-signer; its chain starts with its own certificate.
  CRYPT_PROVIDER_SGNR* signer = ::WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0);
  if (signer == nullptr || signer->csCertChain == 0 || signer->pasCertChain == nullptr ||
      signer->pasCertChain[0].pCert == nullptr) {
    return {};
  }
  const CertGetNameStringWFunction getName = CertGetNameStringWFromLoadedCrypt32();
  if (getName == nullptr) {
    return {};
  }
  PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
  const DWORD chars = getName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
  if (chars <= 1) {
    return {};
  }
  std::u16string name(chars, u'\0');
  const DWORD written = getName(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr,
                                reinterpret_cast<wchar_t*>(name.data()), chars);
  name.resize(written > 0 ? written - 1 : 0);  // without the terminator
  return name;
}

void Win32TrustApi::WinVerifyTrustClose(const std::u16string& path, FileHandle file,
                                        TrustStateHandle state) {
  HANDLE handle = reinterpret_cast<HANDLE>(state);
  CallWinVerifyTrust(path, file, WTD_STATEACTION_CLOSE, handle);
}
