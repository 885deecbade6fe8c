#pragma once
// The trusted-certificate store: "TrustedCerts.dat" in the folder of the
// log file of the library's log sink, a run of 20-byte SHA-1 fingerprints
// with nothing else (a tail shorter than 20 bytes is ignored). The system
// only reads it; it is read anew on every call.

// 1 when the first 20 bytes of fingerprint equal a fingerprint of the
// store, else 0. A size other than 20 is an assertion report (a longer one
// is still compared by its first 20 bytes); a shorter one, a missing log
// sink or a log path without a folder give 0.
int IsTrustedCertificate(const void* fingerprint, unsigned size);
