// Makes a test CA a trusted root of the Wine prefix it runs in (the prefix's own registry, never
// the host's trust store).
//   trust_root.exe <certificate.der>
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust_root <certificate.der>\n");
    return 2;
  }
  HANDLE file = ::CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "trust_root: cannot open the certificate (%lu)\n", ::GetLastError());
    return 3;
  }
  std::vector<BYTE> der(::GetFileSize(file, nullptr));
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file, der.data(), static_cast<DWORD>(der.size()), &read, nullptr);
  ::CloseHandle(file);
  if (!ok || read != der.size()) {
    return 3;
  }
  HCERTSTORE store =
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (store == nullptr) {
    std::fprintf(stderr, "trust_root: cannot open the Root store (%lu)\n", ::GetLastError());
    return 4;
  }
  const BOOL added = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), read,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  const DWORD error = ::GetLastError();
  ::CertCloseStore(store, 0);
  if (!added) {
    std::fprintf(stderr, "trust_root: cannot add the certificate (%lu)\n", error);
    return 5;
  }
  return 0;
}
