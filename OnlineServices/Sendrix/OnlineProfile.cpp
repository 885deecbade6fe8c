#include "OnlineServices/Sendrix/OnlineProfile.h"

#include <cstring>

#include "utility/ErrorReport.h"
#include "utility/ProtectedBlob.h"
#include "utility/SizedField.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\OnlineProfile";

// The blob type of profile passwords.
constexpr int kBlobType = 3;

constexpr int kFirstTuningLow = 5;
constexpr int kFirstTuningHigh = 500;
constexpr int kSecondTuningHigh = 600;
constexpr int kSecondTuningFallback = 2;

// Thrown inside Deserialize when a field runs past the buffer.
constexpr int kFieldPastEnd = -1;

int Utf16Units(const CBasicString& text) { return (int)Utf16UnitCount(text.GetString(), (size_t)text.GetLength()); }

void WriteInt(BYTE* buffer, int value, int& offset) {
    uint32_t v = (uint32_t)value;
    for (int i = 0; i < 4; ++i) buffer[offset + i] = (BYTE)(v >> (8 * i));
    offset += 4;
}

// The next i32, or a throw when fewer than 4 bytes remain.
int ReadInt(const BYTE* buffer, unsigned& offset, unsigned size) {
    bool fits = offset <= size && size - offset >= 4;
    ReportAssertion(fits, kSourceFile, __LINE__);
    if (!fits) throw kFieldPastEnd;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= (uint32_t)buffer[offset + i] << (8 * i);
    offset += 4;
    return (int)v;
}

// The length of the field at offset when its whole payload lies within
// size, else a throw.
unsigned CheckField(const BYTE* buffer, unsigned offset, unsigned size) {
    unsigned at = offset;
    unsigned length = (unsigned)ReadInt(buffer, at, size);
    bool fits = length <= size - at;
    ReportAssertion(fits, kSourceFile, __LINE__);
    if (!fits) throw kFieldPastEnd;
    return length;
}

void ReadText(const BYTE* buffer, unsigned& offset, unsigned size, CBasicString& out) {
    CheckField(buffer, offset, size);
    ReadSizedString(buffer, size, out, offset, 1);
}

} // namespace

COnlineProfile::COnlineProfile() = default;

COnlineProfile::~COnlineProfile() = default;

void COnlineProfile::CopyFrom(CAbstractOnlineProfile* profile) {
    ReportAssertion(profile != nullptr, kSourceFile, __LINE__);
    if (!profile || profile == this) return;
    m_secondAddress = profile->GetSecondAddress();
    m_host = profile->GetHost();
    m_userName = profile->GetUserName();
    SetPassword(profile->GetPassword());
    m_protocol = profile->GetProtocol();
    m_port = profile->GetPort();
    m_profileName = profile->GetProfileName();
    m_firstTuning = profile->GetFirstTuningValue();
    m_secondTuning = profile->GetSecondTuningValue();
    if (COnlineProfile* online = dynamic_cast<COnlineProfile*>(profile)) {
        m_flags = online->m_flags;
        m_passwordBlob = online->m_passwordBlob;
    } else {
        m_flags = 0;
        m_passwordBlob.clear();
    }
}

int COnlineProfile::Assign(CAbstractFtpProfile* profile) {
    COnlineProfile* online = dynamic_cast<COnlineProfile*>(profile);
    ReportAssertion(online != nullptr, kSourceFile, __LINE__);
    if (!online) return 0;
    if (online == this) return 1;
    m_secondAddress = online->m_secondAddress;
    m_host = online->m_host;
    m_userName = online->m_userName;
    m_password = online->m_password;
    m_passwordBlob = online->m_passwordBlob;
    m_protocol = online->m_protocol;
    m_flags = online->m_flags;
    m_port = online->m_port;
    m_profileName = online->m_profileName;
    m_firstTuning = online->m_firstTuning;
    m_secondTuning = online->m_secondTuning;
    return 1;
}

const wchar_t* COnlineProfile::GetPassword() {
    if (m_password.IsEmpty() && !m_passwordBlob.empty())
        DecryptProtectedBlob(m_passwordBlob.data(), (unsigned)m_passwordBlob.size(), m_password, kBlobType);
    return m_password.GetString();
}

int COnlineProfile::SetPassword(const wchar_t* password) {
    // The source may be this profile's own cache.
    CBasicString text = password;
    m_password = text;
    m_passwordBlob.clear();
    EncryptProtectedBlob(text.GetString(), m_passwordBlob, kBlobType);
    return 1;
}

const std::vector<BYTE>& COnlineProfile::GetPasswordBlob() {
    GetPassword();
    m_passwordBlob.clear();
    EncryptProtectedBlob(m_password.GetString(), m_passwordBlob, kBlobType);
    return m_passwordBlob;
}

int COnlineProfile::SetPasswordBlob(const BYTE* bytes, unsigned length) {
    bool usable = bytes != nullptr && length != 0;
    ReportAssertion(usable, kSourceFile, __LINE__);
    if (!usable) return 0;
    m_passwordBlob.assign(bytes, bytes + length);
    return 1;
}

void COnlineProfile::SetFirstTuningValue(int value) {
    m_firstTuning = value >= kFirstTuningLow && value <= kFirstTuningHigh ? value : kFirstTuningLow;
}

void COnlineProfile::SetSecondTuningValue(int value) {
    m_secondTuning = value >= 0 && value <= kSecondTuningHigh ? value : kSecondTuningFallback;
}

int COnlineProfile::GetSerializedSize() {
    return 36 + 2 * (Utf16Units(m_secondAddress) + Utf16Units(m_host) + Utf16Units(m_userName)) +
           (int)m_passwordBlob.size();
}

int COnlineProfile::Serialize(BYTE* buffer, int& offset) {
    ReportAssertion(buffer != nullptr, kSourceFile, __LINE__);
    if (!buffer) return 0;
    WriteSizedString(buffer, m_secondAddress.GetString(), offset);
    WriteSizedString(buffer, m_host.GetString(), offset);
    WriteSizedString(buffer, m_userName.GetString(), offset);
    WriteSizedBytes(buffer, m_passwordBlob.data(), (int)m_passwordBlob.size(), offset);
    WriteInt(buffer, m_protocol, offset);
    WriteInt(buffer, m_flags, offset);
    WriteInt(buffer, m_port, offset);
    WriteInt(buffer, m_firstTuning, offset);
    WriteInt(buffer, m_secondTuning, offset);
    return 1;
}

int COnlineProfile::Deserialize(const BYTE* buffer, unsigned& offset, unsigned size, int flag) {
    ReportAssertion(buffer != nullptr, kSourceFile, __LINE__);
    if (!buffer) return 0;
    try {
        ReadText(buffer, offset, size, m_secondAddress);
        ReadText(buffer, offset, size, m_host);
        ReadText(buffer, offset, size, m_userName);
        unsigned blobLength = CheckField(buffer, offset, size);
        offset += 4;
        if (blobLength > 0) {
            m_passwordBlob.assign(buffer + offset, buffer + offset + blobLength);
            m_password.Empty();
            offset += blobLength;
        }
        m_protocol = ReadInt(buffer, offset, size);
        m_flags = ReadInt(buffer, offset, size);
        m_port = ReadInt(buffer, offset, size);
        SetFirstTuningValue(ReadInt(buffer, offset, size));
        SetSecondTuningValue(ReadInt(buffer, offset, size));
    } catch (int) {
        return 0;
    }
    return 1;
}
