#pragma once
// CAbstractLinkTable: how the database component reads the program's link
// table ("UrlFile.xml"), the second argument of CreateDataBase. The
// component needs one address from it: the synchronisation service.
//
// The framework's link table lives in a layer the component does not
// include; the program hands the component its table through this
// interface.

// Link id of the synchronisation service: the address to which the
// component posts its requests (an https address, or http on the
// loopback host).
constexpr int kSyncServiceLinkId = 58;

class CAbstractLinkTable {
public:
    virtual ~CAbstractLinkTable() {}
    // The address of the link; "" when the table does not hold it. Valid
    // while the table lives.
    virtual const wchar_t* GetLinkURL(int id) const = 0;
};
