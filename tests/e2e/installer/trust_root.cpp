// Makes test CAs trusted roots of the Wine prefix it runs in (the prefix's own registry, never
// the host's trust store).
//   trust_root.exe <certificate.der> [<certificate.der> ...]
// Stops at the first certificate it cannot add; the exit code says why.
#include <windows.h>

#include <wincrypt.h>

#include <cstdio>
#include <vector>

namespace {

// A test certificate is a few KiB: anything far larger is not one.
constexpr DWORD kMaxCertificateSize = 1 << 20;

int TrustOne(HCERTSTORE store, const wchar_t* path) {
  HANDLE file = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "trust_root: cannot open %ls (%lu)\n", path, ::GetLastError());
    return 3;
  }
  const DWORD size = ::GetFileSize(file, nullptr);
  if (size == INVALID_FILE_SIZE || size == 0 || size > kMaxCertificateSize) {
    ::CloseHandle(file);
    std::fprintf(stderr, "trust_root: %ls is not a certificate file\n", path);
    return 3;
  }
  std::vector<BYTE> der(size);
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file, der.data(), size, &read, nullptr);
  ::CloseHandle(file);
  if (!ok || read != size) {
    std::fprintf(stderr, "trust_root: cannot read %ls\n", path);
    return 3;
  }
  const BOOL added = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), read,
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  if (!added) {
    std::fprintf(stderr, "trust_root: cannot add %ls (%lu)\n", path, ::GetLastError());
    return 5;
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: trust_root <certificate.der> [<certificate.der> ...]\n");
    return 2;
  }
  HCERTSTORE store =
      ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
  if (store == nullptr) {
    std::fprintf(stderr, "trust_root: cannot open the Root store (%lu)\n", ::GetLastError());
    return 4;
  }
  int result = 0;
  for (int i = 1; i < argc && result == 0; ++i) {
    result = TrustOne(store, argv[i]);
  }
  ::CertCloseStore(store, 0);
  return result;
}
