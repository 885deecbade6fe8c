#include "OnlineServices/Sendrix/tests/support/LogEvents.h"

namespace sendrixtest {

std::vector<int> EventCodes(const kvxtest::RecordingLog& log, const std::wstring& category) {
    std::vector<int> codes;
    for (const kvxtest::RecordedEntry& e : log.Entries())
        if (e.category == category) codes.push_back(e.code);
    return codes;
}

int AssertionCount(const kvxtest::RecordingLog& log) {
    int count = 0;
    for (const kvxtest::RecordedEntry& e : log.Entries())
        if (e.call == kvxtest::LogCall::WriteSourceMessage && e.text == L"Assert Failed!!!") ++count;
    return count;
}

void DefineSocketEvents(kvxtest::RecordingLog& log) {
    for (int code = -10; code <= -1; ++code) log.Define(L"SOCKET", code, L"(%d) %s");
}

std::vector<std::wstring> FormattedTexts(const kvxtest::RecordingLog& log) {
    std::vector<std::wstring> texts;
    for (const kvxtest::RecordedEntry& e : log.Entries())
        if (e.call == kvxtest::LogCall::LogFormat) texts.push_back(e.text);
    return texts;
}

} // namespace sendrixtest
