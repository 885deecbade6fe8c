#pragma once
// Certificates for TLS tests, made with OpenSSL when the test runs: a
// certificate authority, leaves it signs, self-signed certificates and long
// chains. Keys are P-256; everything is handed out as PEM text.
//
//   kvxtest::CertFactory factory;
//   kvxtest::TestCertificate server = factory.Leaf("localhost");
//   // trust factory.CaPem(), serve server.chainPem with server.keyPem

#include <cstdint>
#include <string>
#include <vector>

namespace kvxtest {

struct TestCertificate {
    std::string certPem;   // the certificate itself
    std::string chainPem;  // the certificate followed by the intermediates a server sends
    std::string keyPem;    // its private key
    std::vector<uint8_t> sha1;  // the SHA-1 fingerprint of the certificate
};

class CertFactory {
public:
    // Makes the certificate authority.
    CertFactory();
    ~CertFactory();
    CertFactory(const CertFactory&) = delete;
    CertFactory& operator=(const CertFactory&) = delete;

    // One factory for the whole test process (making keys is the slow part).
    static const CertFactory& Shared();

    const std::string& CaPem() const { return m_ca.certPem; }

    // A server certificate signed by the authority, for the names given
    // (dotted addresses become address entries), valid from yesterday until
    // the end of notAfterYear (a year after 2049 is written as
    // GeneralizedTime).
    TestCertificate Leaf(const std::vector<std::string>& names = {"127.0.0.1", "localhost"},
                         int notAfterYear = 2040) const;
    // A self-signed server certificate for the names.
    TestCertificate SelfSigned(const std::vector<std::string>& names = {"127.0.0.1", "localhost"}) const;
    // A leaf for the names under depth - 2 intermediates below the
    // authority: depth certificates in all, the authority included.
    TestCertificate Chain(int depth, const std::vector<std::string>& names = {"127.0.0.1", "localhost"}) const;

private:
    TestCertificate Make(const std::vector<std::string>& names, const std::string& commonName, bool authority,
                         const TestCertificate* issuer, int notAfterYear) const;

    TestCertificate m_ca;
};

} // namespace kvxtest
