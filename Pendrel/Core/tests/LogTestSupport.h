#pragma once
// Helpers of the log tests: the UTF-16LE bytes that the log files hold, and
// an observer that records what the log hands it.

#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "Pendrel/Core/AbstractUILog.h"
#include "utility/TextCodec.h"

namespace kvxtest {

// The UTF-16LE bytes of a text, as a byte string to compare with a file.
inline std::string Utf16(const std::wstring& text) {
    std::vector<uint8_t> bytes = WideToUtf16LE(text.c_str(), text.size());
    return std::string(bytes.begin(), bytes.end());
}

inline std::string ByteOrderMark() { return std::string("\xFF\xFE", 2); }

struct ObservedMessage {
    std::wstring text;
    std::wstring time;
    int level;
    UINT code;
    bool operator==(const ObservedMessage&) const = default;
};

class RecordingObserver : public CAbstractUILog {
public:
    // The string-table texts LoadStringW gives.
    std::map<UINT, std::wstring> strings;

    std::vector<ObservedMessage> Messages() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_messages;
    }

    void AddLogMsg(const wchar_t* text, const wchar_t* time, LOG_ICON_TYPE level, UINT code) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_messages.push_back({text, time, level, code});
    }
    const wchar_t* LoadStringW(UINT id) override {
        auto it = strings.find(id);
        return it == strings.end() ? L"" : it->second.c_str();
    }
    const char* WideCharToMultiByte(UINT, const wchar_t*) override { return ""; }
    const wchar_t* MultiByteToWideChar(UINT, const char*) override { return L""; }
    const char* MultiByteToMultiByte(UINT, const char*, UINT) override { return ""; }
    const wchar_t* EncodeURL(const wchar_t*) override { return L""; }

private:
    mutable std::mutex m_mutex;
    std::vector<ObservedMessage> m_messages;
};

} // namespace kvxtest
