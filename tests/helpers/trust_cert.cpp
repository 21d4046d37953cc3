// trust_cert CERT.der
//
// Adds a DER-encoded certificate to the local machine's trusted root store, so that HTTPS
// servers whose certificates it signed are trusted. The Wine test harness runs it once in each
// test prefix with the loopback server's test certificate authority.
#include <windows.h>
// (after windows.h, which it needs)
#include <wincrypt.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

namespace {

struct StoreCloser {
  void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};
using UniqueStore = std::unique_ptr<void, StoreCloser>;

int fail(const char* what) {
  std::fprintf(stderr, "trust_cert: %s (error 0x%08lx)\n", what, GetLastError());
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: trust_cert CERT.der\n");
    return 2;
  }

  std::ifstream file(std::filesystem::path(argv[1]), std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "trust_cert: cannot open %ls\n", argv[1]);
    return 1;
  }
  const std::vector<BYTE> der{std::istreambuf_iterator<char>(file),
                              std::istreambuf_iterator<char>()};
  if (der.empty() || der.size() > 1024 * 1024) {
    std::fprintf(stderr, "trust_cert: %ls is not a certificate\n", argv[1]);
    return 1;
  }

  const UniqueStore store(
      CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT"));
  if (!store) return fail("cannot open the LocalMachine ROOT store");

  if (!CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING,
                                        der.data(), static_cast<DWORD>(der.size()),
                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr)) {
    return fail("cannot add the certificate to the ROOT store");
  }
  return 0;
}
