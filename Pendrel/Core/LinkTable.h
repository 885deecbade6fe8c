#pragma once
// CLinkTable: every web address the system opens or fetches, by link id,
// read once per run from "UrlFile.xml" (an XML file of the framework's
// folder). The application object owns it; after loading it is only read,
// from any thread.
//
// The file counts by its structure, never by its names: the document's
// first element is the root; each element below it is one link, its first
// attribute the link id (decimal, read as a 64-bit number of which the low
// 32 bits count; text without digits is 0), its second attribute the
// address (UTF-8). Further attributes are ignored; of two links with the
// same id the first stays. A link with fewer than two attributes ends the
// reading; what was read before it stays usable.
//
// The ids the system uses:
//   11 advertisement panel pages       15 About page of the main program
//   14 update version file (a format   22 About page of the on-screen keyboard
//      with the application id)        56 sign-up page of the online account
//                                      57 lost-password page of the account

#include <map>

#include "Pendrel/PendrelApi.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CAbstractLog;

typedef int KVXLinkID;

class PENDREL_API CLinkTable {
public:
    CLinkTable();
    ~CLinkTable();
    CLinkTable(const CLinkTable&) = delete;
    CLinkTable& operator=(const CLinkTable&) = delete;

    // Stores the log and makes it the framework's log.
    void SetLog(CAbstractLog* log);
    // Keeps the folder (without trailing separators) and the online
    // library's module handle, then reads the table: its result. A null or
    // empty folder is an assertion report and 0.
    int Load(const wchar_t* folder, HMODULE sendrix);
    // Reads "UrlFile.xml" of the folder afresh: FALSE (with an assertion
    // report) when the file is missing, does not parse, has no root or a
    // link lacks an attribute; the links read before the failure stay.
    BOOL LoadUrlTable();
    // The address of the link; "" with an assertion report when the table
    // does not hold it. Valid while the table lives.
    const wchar_t* GetLinkURL(KVXLinkID id) const;

    // The address of a link that is a format (link 14) with the number put
    // in: the first "%d", "%i" or "%u" becomes the number, "%%" becomes
    // "%", and every other '%' stays as it stands, so a percent-encoded
    // address ("%20") and stray conversions ("%s") pass unchanged.
    static CBasicString FormatLinkURL(const wchar_t* address, int number);

    const CBasicString& GetFolder() const { return m_folder; }
    HMODULE GetSendrixModule() const { return m_sendrix; }
    size_t GetCount() const { return m_table.size(); }

private:
    CAbstractLog* m_log = nullptr;
    CBasicString m_folder;
    HMODULE m_sendrix = nullptr;
    std::map<KVXLinkID, CBasicString> m_table;
};
