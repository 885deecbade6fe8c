#include "testing/CertFactory.h"

#include <arpa/inet.h>
#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace kvxtest {

namespace {

struct Free {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
};
typedef std::unique_ptr<EVP_PKEY, Free> KeyPtr;
typedef std::unique_ptr<X509, Free> CertPtr;
typedef std::unique_ptr<BIO, Free> BioPtr;

void Check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("certificate factory: ") + what);
}

std::string BioText(BIO* bio) {
    char* data = nullptr;
    long length = BIO_get_mem_data(bio, &data);
    return std::string(data, (size_t)length);
}

std::string CertPem(X509* cert) {
    BioPtr bio(BIO_new(BIO_s_mem()));
    Check(PEM_write_bio_X509(bio.get(), cert) == 1, "PEM of a certificate");
    return BioText(bio.get());
}

CertPtr ReadCert(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), (int)pem.size()));
    CertPtr cert(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
    Check(cert != nullptr, "reading a certificate");
    return cert;
}

KeyPtr ReadKey(const std::string& pem) {
    BioPtr bio(BIO_new_mem_buf(pem.data(), (int)pem.size()));
    KeyPtr key(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
    Check(key != nullptr, "reading a key");
    return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    Check(extension != nullptr, "an extension");
    X509_add_ext(cert, extension, -1);
    X509_EXTENSION_free(extension);
}

bool IsAddress(const std::string& name) {
    in_addr address;
    return inet_pton(AF_INET, name.c_str(), &address) == 1;
}

// "YYYY1231235959Z" for the end of the year: GeneralizedTime after 2049,
// UTCTime before.
void SetNotAfter(X509* cert, int year) {
    std::string text = std::to_string(year) + "1231235959Z";
    ASN1_TIME* time = ASN1_TIME_new();
    Check(ASN1_TIME_set_string_X509(time, text.c_str()) == 1, "a time");
    X509_set1_notAfter(cert, time);
    ASN1_TIME_free(time);
}

} // namespace

CertFactory::CertFactory() { m_ca = Make({}, "Morvane Test Authority", true, nullptr, 2040); }

CertFactory::~CertFactory() = default;

const CertFactory& CertFactory::Shared() {
    static CertFactory factory;
    return factory;
}

TestCertificate CertFactory::Make(const std::vector<std::string>& names, const std::string& commonName,
                                  bool authority, const TestCertificate* issuer, int notAfterYear) const {
    KeyPtr key(EVP_EC_gen("P-256"));
    Check(key != nullptr, "a key");
    CertPtr cert(X509_new());
    X509_set_version(cert.get(), 2);
    static long serial = 1;
    ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial++);
    X509_gmtime_adj(X509_getm_notBefore(cert.get()), -86400);
    SetNotAfter(cert.get(), notAfterYear);
    X509_set_pubkey(cert.get(), key.get());
    X509_NAME* name = X509_get_subject_name(cert.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, (const unsigned char*)"Morvane Tests", -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, (const unsigned char*)commonName.c_str(), -1, -1, 0);

    CertPtr issuerCert = issuer ? ReadCert(issuer->certPem) : nullptr;
    KeyPtr issuerKey = issuer ? ReadKey(issuer->keyPem) : nullptr;
    X509* signer = issuer ? issuerCert.get() : cert.get();
    X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));

    if (authority) {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE");
        AddExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        AddExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE");
        AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
    }
    AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
    if (!names.empty()) {
        std::string alt;
        for (const std::string& n : names) {
            if (!alt.empty()) alt += ',';
            alt += IsAddress(n) ? "IP:" : "DNS:";
            alt += n;
        }
        AddExtension(cert.get(), signer, NID_subject_alt_name, alt);
    }
    Check(X509_sign(cert.get(), issuer ? issuerKey.get() : key.get(), EVP_sha256()) > 0, "signing");

    TestCertificate made;
    made.certPem = CertPem(cert.get());
    made.chainPem = made.certPem;
    BioPtr keyBio(BIO_new(BIO_s_mem()));
    Check(PEM_write_bio_PrivateKey(keyBio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) == 1, "PEM of a key");
    made.keyPem = BioText(keyBio.get());
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    X509_digest(cert.get(), EVP_sha1(), digest, &length);
    made.sha1.assign(digest, digest + length);
    return made;
}

TestCertificate CertFactory::Leaf(const std::vector<std::string>& names, int notAfterYear) const {
    return Make(names, names.empty() ? "server" : names.back(), false, &m_ca, notAfterYear);
}

TestCertificate CertFactory::SelfSigned(const std::vector<std::string>& names) const {
    return Make(names, names.empty() ? "server" : names.back(), false, nullptr, 2040);
}

TestCertificate CertFactory::Chain(int depth, const std::vector<std::string>& names) const {
    // Intermediates from the authority down; the server sends them after
    // its own certificate, nearest first.
    std::vector<TestCertificate> intermediates;
    intermediates.reserve((size_t)(depth > 2 ? depth : 2));
    const TestCertificate* issuer = &m_ca;
    for (int i = 0; i < depth - 2; ++i) {
        intermediates.push_back(Make({}, "Morvane Test Intermediate " + std::to_string(i + 1), true, issuer, 2040));
        issuer = &intermediates.back();
    }
    TestCertificate leaf = Make(names, names.empty() ? "server" : names.back(), false, issuer, 2040);
    for (auto it = intermediates.rbegin(); it != intermediates.rend(); ++it) leaf.chainPem += it->certPem;
    return leaf;
}

} // namespace kvxtest
