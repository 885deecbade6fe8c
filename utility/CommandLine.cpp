#include "utility/CommandLine.h"

#include <cwchar>

void SplitProgramAndParameters(const wchar_t* commandLine, CBasicString& program, CBasicString& parameters) {
    CBasicString text(commandLine ? commandLine : L"");
    program.Empty();
    parameters.Empty();
    int blank = text.FindChar(L' ');
    int quote = text.FindChar(L'"');
    if (blank < 1) {
        program = text;
    } else if (quote < 0 || quote > blank) {
        program = text.Left(blank);
        parameters = text.MidToEnd(blank + 1);
    } else {
        int closing = text.FindCharFrom(L'"', quote + 1);
        if (closing < 0) return;
        program = text.Mid(quote + 1, closing - quote - 1);
        parameters = text.MidToEnd(closing + 1);
    }
    program.TrimLeft();
    program.TrimRight();
    parameters.TrimLeft();
    parameters.TrimRight();
}

std::vector<std::wstring> SplitCommandArguments(const wchar_t* parameters) {
    std::vector<std::wstring> arguments;
    if (!parameters) return arguments;
    const wchar_t* p = parameters;
    for (;;) {
        while (*p == L' ' || *p == L'\t') ++p;
        if (!*p) return arguments;
        std::wstring argument;
        bool quoted = false;
        while (*p && (quoted || (*p != L' ' && *p != L'\t'))) {
            if (*p == L'\\') {
                size_t backslashes = 0;
                while (*p == L'\\') {
                    ++backslashes;
                    ++p;
                }
                if (*p == L'"') {
                    argument.append(backslashes / 2, L'\\');
                    if (backslashes % 2) {
                        argument += L'"';
                        ++p;
                    }
                } else {
                    argument.append(backslashes, L'\\');
                }
            } else if (*p == L'"') {
                if (quoted && p[1] == L'"') {
                    argument += L'"';
                    p += 2;
                } else {
                    quoted = !quoted;
                    ++p;
                }
            } else {
                argument += *p++;
            }
        }
        arguments.push_back(argument);
    }
}
