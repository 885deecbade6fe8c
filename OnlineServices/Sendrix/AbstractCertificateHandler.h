#pragma once
// CAbstractCertificateHandler: the caller's decision about a peer the
// library cannot trust by itself (a TLS certificate that does not verify,
// an unknown SSH host key). The library asks a question code with a record
// describing the peer and acts on the answer code.

class CAbstractCertificateHandler {
public:
    virtual ~CAbstractCertificateHandler() {}

    virtual int Ask(int question, const void* record) = 0;
};
