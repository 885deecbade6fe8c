#include "Pendrel/Core/LinkTable.h"

#include <tinyxml.h>

#include <cstdint>
#include <cstdio>
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
// Far above any real link table; a larger file is not read.
constexpr long kMaxFileSize = 1L << 20;
// The parser looks up to three bytes ahead of a character's first byte; the
// text it gets ends with that many NUL bytes and one more.
constexpr size_t kTerminator = 4;

// A link id: decimal text as a 64-bit number (leading white space and a
// sign allowed, no digits give 0), of which the low 32 bits count.
KVXLinkID ReadLinkId(const char* text) {
    long long value = std::strtoll(text ? text : "", nullptr, 10);
    return static_cast<KVXLinkID>(static_cast<uint32_t>(static_cast<unsigned long long>(value)));
}

// Every byte is part of a complete UTF-8 sequence (no overlong forms, no
// surrogates) and none is NUL.
bool IsWellFormedText(const std::string& text) {
    if (text.find('\0') != std::string::npos) return false;
    const std::wstring wide = Utf8ToWide(text);
    // Bytes outside a valid sequence come back as lone low surrogates.
    for (wchar_t c : wide)
        if (c >= 0xD800 && c <= 0xDFFF) return false;
    return true;
}

// Reads the file as the parser's text: well-formed UTF-8, line ends made
// '\n', ended by NUL bytes. False when the file cannot be read, is too
// large or is not such text.
bool ReadDocumentText(const std::string& path, std::string& text) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::string bytes;
    char chunk[4096];
    bool fits = true;
    for (size_t read; fits && (read = std::fread(chunk, 1, sizeof chunk, file)) > 0;) {
        bytes.append(chunk, read);
        fits = bytes.size() <= static_cast<size_t>(kMaxFileSize);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed || !fits || !IsWellFormedText(bytes)) return false;
    text.clear();
    text.reserve(bytes.size() + kTerminator);
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
            continue;
        }
        text += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    text.append(kTerminator, '\0');
    return true;
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
    // The parser reads from a text of our own that is known to be whole
    // UTF-8 and well terminated: it steps over a character's bytes by its
    // first byte and would read past the end of one cut short.
    TiXmlDocument document;
    std::string text;
    const std::string narrowPath = WideToUtf8(path.GetString(), path.GetLength());
    bool parsed = ReadDocumentText(narrowPath, text);
    if (parsed) {
        document.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
        parsed = !document.Error();
    }
    if (!parsed) {
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
