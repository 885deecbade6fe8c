#include "OnlineServices/Sendrix/CertificateInfo.h"

#include <openssl/asn1.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/x509.h>

#include <cstring>

#include "OnlineServices/Sendrix/TextConversion.h"

namespace {

bool AllDigits(const char* text, int count) {
    for (int i = 0; i < count; ++i)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

int TwoDigits(const char* text) { return (text[0] - '0') * 10 + (text[1] - '0'); }

// Month to seconds of "...MMDDHHMM[SS]" starting at text.
int ParseFromMonth(const char* text, int fields[6]) {
    int month = TwoDigits(text);
    if (month < 1 || month > 12) return 0;
    fields[1] = month;
    fields[2] = TwoDigits(text + 2);
    fields[3] = TwoDigits(text + 4);
    fields[4] = TwoDigits(text + 6);
    fields[5] = AllDigits(text + 8, 2) ? TwoDigits(text + 8) : 0;
    return 1;
}

int FieldOfNid(int nid) {
    switch (nid) {
    case NID_organizationName: return kCertOrganization;
    case NID_organizationalUnitName: return kCertOrganizationalUnit;
    case NID_commonName: return kCertCommonName;
    case NID_pkcs9_emailAddress: return kCertEmailAddress;
    case NID_countryName: return kCertCountry;
    case NID_stateOrProvinceName: return kCertStateOrProvince;
    case NID_localityName: return kCertLocality;
    default: return kCertOther;
    }
}

void FillNames(X509_NAME* name, CBasicString fields[kCertNameFieldCount]) {
    if (!name) return;
    int count = X509_NAME_entry_count(name);
    for (int i = 0; i < count; ++i) {
        X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        if (!entry) continue;
        unsigned char* utf8 = nullptr;
        int length = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(entry));
        CBasicString value;
        if (length > 0) value = FromNarrowText(reinterpret_cast<const char*>(utf8), (size_t)length);
        OPENSSL_free(utf8);
        int nid = OBJ_obj2nid(X509_NAME_ENTRY_get_object(entry));
        int field = FieldOfNid(nid);
        if (field != kCertOther) {
            fields[field] = value;
            continue;
        }
        const char* shortName = nid != NID_undef ? OBJ_nid2sn(nid) : nullptr;
        if (shortName) fields[kCertOther].Format(L"%S=%s;", shortName, value.GetString());
        else fields[kCertOther].Format(L"%d=%s;", nid, value.GetString());
    }
}

} // namespace

int ParseUtcTime(const char* text, int fields[6]) {
    if (!text || strlen(text) <= 11 || !AllDigits(text, 10)) return 0;
    int year = TwoDigits(text);
    fields[0] = year < 50 ? 2000 + year : 1900 + year;
    return ParseFromMonth(text + 2, fields);
}

int ParseGeneralizedTime(const char* text, int fields[6]) {
    if (!text || strlen(text) <= 13 || !AllDigits(text, 12)) return 0;
    fields[0] = TwoDigits(text) * 100 + TwoDigits(text + 2);
    return ParseFromMonth(text + 4, fields);
}

int ParseCertificateTime(const ASN1_TIME* time, int fields[6]) {
    if (!time) return 0;
    std::string text(reinterpret_cast<const char*>(ASN1_STRING_get0_data(time)), (size_t)ASN1_STRING_length(time));
    if (ASN1_STRING_type(time) == V_ASN1_GENERALIZEDTIME) return ParseGeneralizedTime(text.c_str(), fields);
    return ParseUtcTime(text.c_str(), fields);
}

void CCertificateInfo::Clear() { *this = CCertificateInfo(); }

int CCertificateInfo::Fill(X509* certificate) {
    Clear();
    if (!certificate) return 0;
    FillNames(X509_get_subject_name(certificate), subject);
    FillNames(X509_get_issuer_name(certificate), issuer);
    if (!ParseCertificateTime(X509_get0_notBefore(certificate), validFrom) ||
        !ParseCertificateTime(X509_get0_notAfter(certificate), validTo))
        return 0;
    unsigned length = 0;
    if (!X509_digest(certificate, EVP_sha1(), fingerprint, &length) || length != sizeof fingerprint) return 0;
    fingerprintKind = kFingerprintSha1;
    return 1;
}
