#pragma once
// CAdvertisementRotation: which web page the advertisement panel shows and
// when. The panel starts with its local page; once the host hands it its
// items, the first web page is due after a minute and each further one half
// an hour after the one before, item after item, from the last back to the
// first.
//
// A page's address is the base address (link 11) followed by the item,
// percent-encoded as UTF-8 except for the characters an address may carry
// as they are (letters, digits, "-._~" and ","), then without any trailing
// commas. Without items every page is the base address itself.

#include <vector>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class PENDREL_API CAdvertisementRotation {
public:
    // The delay before the first web page and between two pages, in
    // milliseconds.
    static constexpr UINT kFirstDelay = 60000;
    static constexpr UINT kRefreshInterval = 1800000;

    explicit CAdvertisementRotation(const CBasicString& baseAddress = CBasicString());

    void SetBaseAddress(const CBasicString& baseAddress) { m_base = baseAddress; }
    const CBasicString& GetBaseAddress() const { return m_base; }
    // A new list of items: the rotation starts again from the first; the
    // delay until the first page (kFirstDelay).
    UINT SetItems(const std::vector<CBasicString>& items);
    const std::vector<CBasicString>& GetItems() const { return m_items; }

    // The items of the page now due: the next item, or none when there are
    // no items; the rotation moves on. The next page is due
    // kRefreshInterval later.
    std::vector<CBasicString> NextItems();
    // The address of the page now due (BuildAddress of NextItems).
    CBasicString NextAddress() { return BuildAddress(m_base, NextItems()); }

    // The base address with the items, each followed by ",", percent-encoded,
    // without trailing commas.
    static CBasicString BuildAddress(const CBasicString& base, const std::vector<CBasicString>& items);
    // The item percent-encoded as UTF-8, "," kept.
    static CBasicString EncodeItem(const CBasicString& item);

private:
    CBasicString m_base;
    std::vector<CBasicString> m_items;
    size_t m_index = 0;
};
