// Matches the second half of the input (as UTF-8) against the first as a
// search pattern. Every text must match itself and "*", and matching must
// not care about ASCII case.

#include <cstdint>
#include <cstdlib>
#include <string>

#include "utility/TextCodec.h"
#include "utility/WildcardMatch.h"

namespace {

bool Matches(const std::wstring& pattern, const std::wstring& name) {
    return MatchesWildcard(pattern.c_str(), (int)pattern.size(), name.c_str(), (int)name.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t half = size / 2;
    std::wstring pattern = Utf8ToWide((const char*)data, half);
    std::wstring name = Utf8ToWide((const char*)data + half, size - half);
    bool matches = Matches(pattern, name);

    std::wstring upperName = name;
    for (wchar_t& ch : upperName)
        if (ch >= L'a' && ch <= L'z') ch = (wchar_t)(ch - L'a' + L'A');
    if (Matches(pattern, upperName) != matches) abort();
    if (!Matches(name, name) || !Matches(L"*", name) || !Matches(L"*.*", name)) abort();
    return 0;
}
