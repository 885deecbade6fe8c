#pragma once
// CAbstractOnlineProfile: the settings of one remote site (address, user,
// password, protocol, port, flags, two tuning values) that the online
// module makes its FTP and SFTP connections from.

// Protocols of a profile.
constexpr int kProtocolFtp = 0;            // plain FTP
constexpr int kProtocolFtpImplicitTls = 1;  // TLS from the first byte
constexpr int kProtocolFtpAuthSsl = 2;      // explicit TLS opened with "AUTH SSL"
constexpr int kProtocolFtpAuthTls = 3;      // explicit TLS opened with "AUTH TLS"
constexpr int kProtocolSFtp = 4;

class CAbstractOnlineProfile {
public:
    virtual ~CAbstractOnlineProfile() {}

    // Copies the texts (the password through GetPassword), protocol, port,
    // profile name and tuning values; flags and password blob only from a
    // COnlineProfile.
    virtual void CopyFrom(CAbstractOnlineProfile* profile) = 0;
    // A value of the caller's own (not serialised).
    virtual int GetUserValue() = 0;
    virtual void SetUserValue(int value) = 0;
    // The second address text: the FTP proxy login form 6 sends the proxy
    // user and this text joined by '@'.
    virtual const wchar_t* GetSecondAddress() = 0;
    virtual void SetSecondAddress(const wchar_t* text) = 0;
    virtual const wchar_t* GetHost() = 0;
    virtual void SetHost(const wchar_t* host) = 0;
    virtual const wchar_t* GetUserName() = 0;
    virtual void SetUserName(const wchar_t* userName) = 0;
    virtual const wchar_t* GetPassword() = 0;
    virtual int SetPassword(const wchar_t* password) = 0;
    virtual int GetProtocol() = 0;
    virtual void SetProtocol(int protocol) = 0;
    // Flag bit 0 (kept for the caller) and bit 1 (passive data connections).
    virtual int GetFirstFlag() = 0;
    virtual void SetFirstFlag(int on) = 0;
    virtual int GetPassive() = 0;
    virtual void SetPassive(int on) = 0;
    virtual int GetPort() = 0;
    virtual void SetPort(int port) = 0;
    // The profile's name (not serialised).
    virtual const wchar_t* GetProfileName() = 0;
    virtual void SetProfileName(const wchar_t* name) = 0;
    // 5 to 500; anything else is stored as 5.
    virtual int GetFirstTuningValue() = 0;
    virtual void SetFirstTuningValue(int value) = 0;
    // 0 to 600; anything else is stored as 2.
    virtual int GetSecondTuningValue() = 0;
    virtual void SetSecondTuningValue(int value) = 0;
};
