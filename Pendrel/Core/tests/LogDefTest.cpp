// The shipped "LogDef.ini" against what its callers pass: every event that
// the libraries log is defined, and every message asks for exactly the
// arguments that come with its event, in conversions the formatter knows.
// A message that asked for more would read arguments that were never
// passed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pendrel/Core/BasicIniFile.h"
#include "utility/FormatArguments.h"
#include "utility/WideFormat.h"
#include "utility/tests/ReportCapture.h"

namespace {

// Records the kinds of arguments a format asks for: 'd' a 32-bit number,
// 's' a wide text, and the kinds no event passes: 'q' 64-bit, 'f' double,
// 'S' narrow text, 'p' pointer (%p, %n).
class ArgumentKinds : public CFormatArguments {
public:
    std::string kinds;
    int32_t NextInt32() override { return kinds += 'd', 1; }
    int64_t NextInt64() override { return kinds += 'q', 1; }
    double NextDouble() override { return kinds += 'f', 1.0; }
    const wchar_t* NextWideText() override { return kinds += 's', L"text"; }
    const char* NextNarrowText() override { return kinds += 'S', "text"; }
    const void* NextPointer() override { return kinds += 'p', nullptr; }
};

struct EventArguments {
    const wchar_t* category;
    int code;
    const char* kinds;
};

// Every event the system logs, with the arguments its callers pass.
std::vector<EventArguments> LoggedEvents() {
    std::vector<EventArguments> events;
    for (int code = -1; code >= -18; --code)
        if (code != -14) events.push_back({L"FILE", code, code == -15 || code == -16 ? "s" : "ss"});
    events.insert(events.end(), {{L"GENERAL", 4, "s"}, {L"GENERAL", -22, "s"}, {L"GENERAL", -24, "d"}});
    for (const wchar_t* category : {L"ENCRYPTION", L"DECRYPTION"})
        events.insert(events.end(), {{category, -1, ""}, {category, -2, ""}, {category, -3, "d"}, {category, -4, "d"}});
    for (int code = -1; code >= -10; --code) events.push_back({L"SOCKET", code, "ds"});
    for (int code : {1, 4, 7, 8, 16, -5, -6, -7, -9, -11, -21, -22}) events.push_back({L"ONLINE", code, "s"});
    for (int code : {0, 2, 3, 5, 6, 12, 13, 14, 15, -2, -3, -4, -8, -12, -14, -15, -16, -17, -18, -19, -25, -26, -27,
                     -28, -29, -30, -31})
        events.push_back({L"ONLINE", code, ""});
    for (int code = 0; code <= 25; ++code) {
        bool withText = code == 3 || code == 5 || code == 6 || code == 14 || code == 17 || code == 22;
        events.push_back({L"EMAILNOTIFY", code, withText ? "s" : ""});
    }
    events.push_back({L"EMAILCLIENT", 0, "s"});
    return events;
}

class LogDefTest : public ReportCapture {};

TEST_F(LogDefTest, EveryLoggedEventIsDefinedWithTheArgumentsItGets) {
    CBasicIniFile table;
    ASSERT_EQ(table.Load(L"" KVX_LOGDEF_FILE), 0);
    std::vector<EventArguments> events = LoggedEvents();
    for (const EventArguments& event : events) {
        SCOPED_TRACE(testing::Message() << std::string(event.category, event.category + wcslen(event.category)) << " "
                                        << event.code);
        LOG_ICON_TYPE level = LOG_ICON_NONE;
        int stringId = 0;
        const wchar_t* message = table.Lookup(event.code, event.category, level, stringId);
        ASSERT_NE(*message, L'\0');
        ArgumentKinds kinds;
        std::wstring text;
        EXPECT_TRUE(FormatWideFrom(text, message, kinds, 4096));
        EXPECT_EQ(kinds.kinds, event.kinds);
        EXPECT_EQ(stringId, 0);
    }
    // Nothing else is defined, and nothing was reported while formatting
    // (an unknown conversion would be) or loading.
    EXPECT_EQ(table.GetEntryCount(), (int)events.size());
    EXPECT_TRUE(AssertionLines().empty());
}

} // namespace
