#pragma once
// COnlineProfile: the connection profile of one remote site. The password
// is kept as a protected blob of type 3 (ProtectedBlob.h) with the plain
// text as a cache that is never serialised.
//
// Serialised form (little-endian, appended at the offset, which advances):
//   second address text, host, user name   length-prefixed UTF-16LE texts
//   i32 n, n bytes                         the password blob
//   i32 protocol, flags, port, first and second tuning value
// so the size is 36 + 2 x (UTF-16 units of the three texts) + n. The
// profile name and the user value are not carried.

#include <vector>

#include "OnlineServices/Sendrix/AbstractFtpProfile.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class COnlineProfile : public CAbstractFtpProfile {
public:
    COnlineProfile();
    ~COnlineProfile() override;

    void CopyFrom(CAbstractOnlineProfile* profile) override;
    int GetUserValue() override { return m_userValue; }
    void SetUserValue(int value) override { m_userValue = value; }
    const wchar_t* GetSecondAddress() override { return m_secondAddress.GetString(); }
    void SetSecondAddress(const wchar_t* text) override { m_secondAddress = text; }
    const wchar_t* GetHost() override { return m_host.GetString(); }
    void SetHost(const wchar_t* host) override { m_host = host; }
    const wchar_t* GetUserName() override { return m_userName.GetString(); }
    void SetUserName(const wchar_t* userName) override { m_userName = userName; }
    // Decrypts the blob when only it is known.
    const wchar_t* GetPassword() override;
    // Keeps the text and encrypts it into a new blob -> 1.
    int SetPassword(const wchar_t* password) override;
    int GetProtocol() override { return m_protocol; }
    void SetProtocol(int protocol) override { m_protocol = protocol; }
    int GetFirstFlag() override { return (m_flags & 1) ? 1 : 0; }
    void SetFirstFlag(int on) override { SetFlag(1, on); }
    int GetPassive() override { return (m_flags & 2) ? 1 : 0; }
    void SetPassive(int on) override { SetFlag(2, on); }
    int GetPort() override { return m_port; }
    void SetPort(int port) override { m_port = port; }
    const wchar_t* GetProfileName() override { return m_profileName.GetString(); }
    void SetProfileName(const wchar_t* name) override { m_profileName = name; }
    int GetFirstTuningValue() override { return m_firstTuning; }
    void SetFirstTuningValue(int value) override;
    int GetSecondTuningValue() override { return m_secondTuning; }
    void SetSecondTuningValue(int value) override;
    int Assign(CAbstractFtpProfile* profile) override;

    virtual int GetSerializedSize();
    // buffer holds GetSerializedSize bytes from offset: 1; null buffer 0.
    virtual int Serialize(BYTE* buffer, int& offset);
    // Reads the fields in order; a field past size ends it with 0 (the
    // fields read before keep their new values). A blob length of 0 keeps
    // the blob. flag is not used.
    virtual int Deserialize(const BYTE* buffer, unsigned& offset, unsigned size, int flag);

    // A fresh blob of the password (new bytes every call).
    const std::vector<BYTE>& GetPasswordBlob();
    // The blob becomes a copy of the bytes (the plain-text cache is kept): 1;
    // null bytes or length 0: 0.
    int SetPasswordBlob(const BYTE* bytes, unsigned length);
    int GetFlags() const { return m_flags; }

private:
    void SetFlag(int bit, int on) { m_flags = on ? (m_flags | bit) : (m_flags & ~bit); }

    CBasicString m_profileName;
    CBasicString m_secondAddress;
    CBasicString m_host;
    CBasicString m_userName;
    CBasicString m_password;
    std::vector<BYTE> m_passwordBlob;
    int m_protocol = kProtocolFtp;
    int m_flags = 0;
    int m_port = 21;
    int m_firstTuning = 0;
    int m_secondTuning = 0;
    int m_userValue = 0;
};
