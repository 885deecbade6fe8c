#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "utility/CommandLine.h"

namespace {

TEST(CommandLine, ProgramAndParameters) {
    const struct {
        const wchar_t* line;
        const wchar_t* program;
        const wchar_t* parameters;
    } cases[] = {
        {L"\"tool.exe\" -x", L"tool.exe", L"-x"},
        {L"\"my tool.exe\"  -x -y ", L"my tool.exe", L"-x -y"},
        {L"tool.exe -x", L"tool.exe", L"-x"},
        {L"tool  -x  ", L"tool", L"-x"},
        {L"tool", L"tool", L""},
        {L" tool -x", L"tool -x", L""},  // the first blank stands at index 0
        {L"\"tool -x", L"", L""},        // no closing double quote
        {L"a\"b c\" d", L"b c", L"d"},   // a double quote before the first blank
        {L"tool a\"b\"", L"tool", L"a\"b\""},
        {L"", L"", L""},
        {nullptr, L"", L""},
    };
    for (const auto& c : cases) {
        CBasicString program(L"old"), parameters(L"old");
        SplitProgramAndParameters(c.line, program, parameters);
        EXPECT_STREQ(program.GetString(), c.program) << (c.line ? c.line : L"(null)");
        EXPECT_STREQ(parameters.GetString(), c.parameters) << (c.line ? c.line : L"(null)");
    }
}

TEST(CommandLine, ArgumentQuoting) {
    const struct {
        const wchar_t* parameters;
        std::vector<std::wstring> arguments;
    } cases[] = {
        {L"a b\tc", {L"a", L"b", L"c"}},
        {L"  \t ", {}},
        {L"\"a b\" c", {L"a b", L"c"}},
        {L"x\"y z\"w", {L"xy zw"}},
        {L"\"\"", {L""}},
        {L"\"a\"\"b\"", {L"a\"b"}},
        {L"a\\\"b", {L"a\"b"}},              // a\"b
        {L"a\\\\\"b c\"", {L"a\\b c"}},      // a\\"b c"
        {L"a\\\\\\\"b", {L"a\\\"b"}},        // a\\\"b
        {L"a\\b c\\\\", {L"a\\b", L"c\\\\"}},  // backslashes before other characters stay
        {L"\"unclosed arg", {L"unclosed arg"}},
        {L"\"C:\\dir\\\\\" next", {L"C:\\dir\\", L"next"}},
    };
    for (const auto& c : cases) EXPECT_EQ(SplitCommandArguments(c.parameters), c.arguments) << c.parameters;
    EXPECT_TRUE(SplitCommandArguments(nullptr).empty());
}

} // namespace
