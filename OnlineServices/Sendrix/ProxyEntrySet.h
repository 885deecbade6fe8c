#pragma once
// The entries of a proxy list ("http=proxy:8080", "https=proxy:8443", a bare
// "proxy:3128"), ordered without regard to case, as proxy discovery finds
// them and the proxy profile keeps them.

#include <set>

#include "utility/BasicString.h"

struct ProxyEntryLess {
    bool operator()(const CBasicString& a, const CBasicString& b) const {
        return a.CompareNoCase(b.GetString()) < 0;
    }
};

typedef std::set<CBasicString, ProxyEntryLess> ProxyEntrySet;
