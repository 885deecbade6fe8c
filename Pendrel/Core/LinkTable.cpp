#include "Pendrel/Core/LinkTable.h"

#include <tinyxml.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "Pendrel/Core/FolderText.h"
#include "Pendrel/Core/TextConversion.h"
#include "utility/ErrorReport.h"
#include "utility/LibraryLog.h"
#include "utility/Posix/Folders.h"
#include "utility/TextCodec.h"

namespace {

const char kSourceFile[] = ".\\LinkTable";
constexpr int kLineLoadFolder = 44;
constexpr int kLineMissingFile = 71;
constexpr int kLineParse = 78;
constexpr int kLineNoRoot = 85;
constexpr int kLineNoId = 97;
constexpr int kLineNoAddress = 104;
constexpr int kLineUnknownLink = 126;

const wchar_t kFileName[] = L"UrlFile.xml";

// A link id: decimal text as a 64-bit number (leading white space and a
// sign allowed, no digits give 0), of which the low 32 bits count.
KVXLinkID ReadLinkId(const char* text) {
    long long value = std::strtoll(text ? text : "", nullptr, 10);
    return static_cast<KVXLinkID>(static_cast<uint32_t>(static_cast<unsigned long long>(value)));
}

} // namespace

CLinkTable::CLinkTable() = default;
CLinkTable::~CLinkTable() = default;

void CLinkTable::SetLog(CAbstractLog* log) {
    m_log = log;
    SetLibraryLog(log);
}

int CLinkTable::Load(const wchar_t* folder, HMODULE sendrix) {
    if (!folder || !*folder) {
        ReportAssertion(0, kSourceFile, kLineLoadFolder);
        return 0;
    }
    m_folder = TrimFolderText(folder);
    m_sendrix = sendrix;
    return LoadUrlTable();
}

BOOL CLinkTable::LoadUrlTable() {
    m_table.clear();
    const CBasicString path = JoinFolderText(m_folder.GetString(), kFileName);
    if (!PathExists(path.GetString())) {
        ReportAssertion(0, kSourceFile, kLineMissingFile);
        return FALSE;
    }
    TiXmlDocument document;
    const std::string narrowPath = WideToUtf8(path.GetString(), path.GetLength());
    if (!document.LoadFile(narrowPath.c_str(), TIXML_ENCODING_UTF8)) {
        ReportAssertion(0, kSourceFile, kLineParse);
        return FALSE;
    }
    const TiXmlElement* root = document.FirstChildElement();
    if (!root) {
        ReportAssertion(0, kSourceFile, kLineNoRoot);
        return FALSE;
    }
    const TiXmlNode* first = root->FirstChild();
    const TiXmlElement* link = first ? first->ToElement() : nullptr;
    if (!link) return FALSE;
    for (; link; link = link->NextSiblingElement()) {
        const TiXmlAttribute* idAttribute = link->FirstAttribute();
        if (!idAttribute) {
            ReportAssertion(0, kSourceFile, kLineNoId);
            return FALSE;
        }
        const TiXmlAttribute* addressAttribute = idAttribute->Next();
        if (!addressAttribute) {
            ReportAssertion(0, kSourceFile, kLineNoAddress);
            return FALSE;
        }
        m_table.emplace(ReadLinkId(idAttribute->Value()), ConvertToBasicString(addressAttribute->Value(), 2));
    }
    return TRUE;
}

const wchar_t* CLinkTable::GetLinkURL(KVXLinkID id) const {
    auto found = m_table.find(id);
    if (found == m_table.end()) {
        ReportAssertion(0, kSourceFile, kLineUnknownLink);
        return L"";
    }
    return found->second.GetString();
}

CBasicString CLinkTable::FormatLinkURL(const wchar_t* address, int number) {
    CBasicString result;
    if (!address) return result;
    bool substituted = false;
    for (const wchar_t* p = address; *p; ++p) {
        if (*p == L'%' && p[1] == L'%') {
            result += L'%';
            ++p;
        } else if (*p == L'%' && !substituted && (p[1] == L'd' || p[1] == L'i' || p[1] == L'u')) {
            CBasicString value;
            if (p[1] == L'u')
                value.Format(L"%u", static_cast<unsigned>(number));
            else
                value.Format(L"%d", number);
            result += value;
            substituted = true;
            ++p;
        } else {
            result += *p;
        }
    }
    return result;
}
