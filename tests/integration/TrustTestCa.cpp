// Test program: adds a test CA certificate to, or removes it from, the LocalMachine Root store
// of the Wine prefix it runs in, so that a loopback TLS server signed by it is trusted.
//
// trust_test_ca.exe add|remove CERT.der   (exit code 0 on success)
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static std::vector<BYTE> readFile(const wchar_t* path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

static HCERTSTORE openRootStore() {
    return CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
}

static bool addToStore(HCERTSTORE store, const std::vector<BYTE>& der) {
    return CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                            CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
}

static bool removeFromStore(HCERTSTORE store, const std::vector<BYTE>& der) {
    PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    if (wanted == nullptr)
        return false;
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr);
    CertFreeCertificateContext(wanted);
    if (found == nullptr)
        return true; // nothing to remove
    return CertDeleteCertificateFromStore(found) != FALSE; // frees `found` as well
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: trust_test_ca add|remove CERT.der\n");
        return 2;
    }
    const std::wstring action = argv[1];
    const std::vector<BYTE> der = readFile(argv[2]);
    if (der.empty()) {
        std::fprintf(stderr, "cannot read the certificate\n");
        return 1;
    }
    HCERTSTORE store = openRootStore();
    if (store == nullptr) {
        std::fprintf(stderr, "cannot open the Root store: %lu\n", GetLastError());
        return 1;
    }
    const bool done = action == L"add" ? addToStore(store, der) : action == L"remove" && removeFromStore(store, der);
    if (!done)
        std::fprintf(stderr, "%ls failed: %lu\n", action.c_str(), GetLastError());
    CertCloseStore(store, 0);
    return done ? 0 : 1;
}
