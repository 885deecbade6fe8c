#pragma once
// What the keyboard tests share: a recording input sink, settable physical
// keys, and the layouts of the hook library.

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Fenmarl/Fenmarl.h"
#include "Keyboard/platform/InputSink.h"

class CRecordingInputSink : public CAbstractInputSink {
public:
    // One entry a call: "c:<unit in hex>" or "<virtual key>v" / "<virtual key>^".
    std::vector<std::string> events;
    std::u16string typed;

    void SendCharacter(WORD unit) override {
        typed += static_cast<char16_t>(unit);
        char text[16];
        snprintf(text, sizeof text, "c:%04X", unit);
        events.emplace_back(text);
    }
    void SendVirtualKey(WORD virtualKey, bool down) override {
        events.push_back(std::to_string(virtualKey) + (down ? "v" : "^"));
    }
};

class CFakePhysicalKeys : public CAbstractPhysicalKeys {
public:
    std::set<int> held;
    std::set<int> toggled;
    bool IsHeld(int virtualKey) const override { return held.count(virtualKey) != 0; }
    bool IsToggled(int virtualKey) const override { return toggled.count(virtualKey) != 0; }
};

inline st_KBImpl LayoutData(unsigned id) {
    st_KBImpl data{};
    EXPECT_EQ(GetKeyboardData(id, data), 1) << std::hex << id;
    return data;
}

constexpr unsigned kUS = 0x409, kGerman = 0x407, kFrench = 0x40C, kRussian = 0x419;
