#pragma once
// CFtpDataTrust: the certificate handler of an FTP connection's data
// connections. A data connection goes to the server that the control
// connection trusted (at the address of its passive reply, which the
// certificate need not name): the certificate that the control
// connection's handshake accepted is trusted for it again, any other is
// refused. So a server trusted once for the control connection serves its
// transfers too.

#include <cstdint>

#include "OnlineServices/Sendrix/AbstractCertificateHandler.h"

class CSSLSocket;

class CFtpDataTrust : public CAbstractCertificateHandler {
public:
    // Takes the certificate of the control connection's server (none when
    // its socket has no TLS or no peer certificate).
    void TakeControlCertificate(CSSLSocket* control);
    // kTrustCertificateOnce for the control connection's certificate, else 0.
    int Ask(int question, const void* record) override;

private:
    uint8_t m_fingerprint[20] = {};
    bool m_known = false;
};
