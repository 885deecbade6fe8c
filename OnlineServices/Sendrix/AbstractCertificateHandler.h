#pragma once
// CAbstractCertificateHandler: the caller's decision about a peer the
// library cannot trust by itself (a TLS certificate that does not verify,
// an unknown SSH host key). The library asks a question code with a record
// describing the peer and acts on the answer code.

// A TLS server certificate that neither the certificate authorities, the
// trusted-certificate store nor the accepted list vouch for; the record is
// a CCertificateInfo (CertificateInfo.h).
constexpr int kAskUntrustedCertificate = 53;
// Answers: trust the certificate for the rest of the process, or for this
// connection only. Any other answer refuses the peer.
constexpr int kTrustCertificateAlways = 14;
constexpr int kTrustCertificateOnce = 15;

class CAbstractCertificateHandler {
public:
    virtual ~CAbstractCertificateHandler() {}

    // record is only valid during the call.
    virtual int Ask(int question, const void* record) = 0;
};
