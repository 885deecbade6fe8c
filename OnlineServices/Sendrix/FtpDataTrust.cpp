#include "OnlineServices/Sendrix/FtpDataTrust.h"

#include <cstring>

#include "OnlineServices/Sendrix/CertificateInfo.h"
#include "OnlineServices/Sendrix/SSLSocket.h"

void CFtpDataTrust::TakeControlCertificate(CSSLSocket* control) {
    CCertificateInfo info;
    m_known = control && control->IsTrusted() && control->GetPeerCertificateInfo(info) &&
              info.fingerprintKind == kFingerprintSha1;
    if (m_known) memcpy(m_fingerprint, info.fingerprint, sizeof m_fingerprint);
}

int CFtpDataTrust::Ask(int question, const void* record) {
    const CCertificateInfo* info = static_cast<const CCertificateInfo*>(record);
    bool same = m_known && question == kAskUntrustedCertificate && info && info->fingerprintKind == kFingerprintSha1 &&
                memcmp(info->fingerprint, m_fingerprint, sizeof m_fingerprint) == 0;
    return same ? kTrustCertificateOnce : 0;
}
