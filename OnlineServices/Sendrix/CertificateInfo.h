#pragma once
// CCertificateInfo: what the TLS socket tells a certificate handler about a
// server certificate it cannot trust by itself: the subject's and issuer's
// names, the validity, the SHA-1 fingerprint and the first verification
// error with its chain depth.

#include <cstdint>

#include "utility/BasicString.h"

typedef struct x509_st X509;
typedef struct asn1_string_st ASN1_TIME;

// The slots of a certificate's names.
enum CertificateNameField {
    kCertOrganization = 0,
    kCertOrganizationalUnit,
    kCertCommonName,
    kCertEmailAddress,
    kCertCountry,
    kCertStateOrProvince,
    kCertLocality,
    kCertOther,  // "short name=value;" of the last entry of any other kind
    kCertNameFieldCount
};

// The fingerprint kind of the record.
constexpr int kFingerprintSha1 = 2;

struct CCertificateInfo {
    CBasicString subject[kCertNameFieldCount];
    CBasicString issuer[kCertNameFieldCount];
    // year, month, day, hour, minute, second
    int validFrom[6] = {};
    int validTo[6] = {};
    uint8_t fingerprint[20] = {};
    int verifyError = 0;
    int verifyDepth = 0;
    int fingerprintKind = 0;

    // Empties every field.
    void Clear();
    // Names, validity and fingerprint of certificate (the verification
    // fields are left alone): 1, or 0 when a validity time cannot be read.
    int Fill(X509* certificate);
};

// The six fields (year, month, day, hour, minute, second) of a certificate
// time: 1, or 0 when it cannot be read.
//
// UTCTime "YYMMDDHHMM[SS]...": more than 11 characters, the first 10 digits,
// month 1 to 12; a year below 50 is 20YY, else 19YY; the seconds count only
// when both are digits (else 0).
int ParseUtcTime(const char* text, int fields[6]);
// GeneralizedTime "YYYYMMDDHHMM[SS]..." (the form of times after 2049):
// more than 13 characters, the first 12 digits, month 1 to 12.
int ParseGeneralizedTime(const char* text, int fields[6]);
// Either form, as the certificate's time says.
int ParseCertificateTime(const ASN1_TIME* time, int fields[6]);
