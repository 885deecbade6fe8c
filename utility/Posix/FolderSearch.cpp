#include "utility/Posix/FolderSearch.h"

#include <cwctype>

#include "utility/ErrorReport.h"
#include "utility/FileItemInfo.h"
#include "utility/PathName.h"
#include "utility/PathVisitObserver.h"
#include "utility/Posix/BasicFileFind.h"
#include "utility/Posix/Folders.h"
#include "utility/UnicodeCase.h"
#include "utility/UrlCoding.h"

namespace {

const char kSourceFile[] = ".\\Windows\\BasicAPI";
const wchar_t kAllEntries[] = L"*.*";
const wchar_t kSavedSearchExtension[] = L".search-ms";

bool Running(const int* keepRunning) { return !keepRunning || *keepRunning != 0; }

void Report(PathVisitObserver* observer, const wchar_t* path) {
    if (observer) observer->VisitPath(path);
}

// The folder without its trailing separators, one '/' and the name.
CBasicString Join(const wchar_t* folder, const wchar_t* name) {
    CBasicString path(folder);
    path.TrimRightChar(L'/');
    path += L'/';
    path += name;
    return path;
}

// A search over the entries of a folder other than "." and "..".
class CFolderListing {
public:
    explicit CFolderListing(const wchar_t* folder) : m_more(m_find.FindFirst(Join(folder, kAllEntries).GetString(), 0)) {
        SkipDots();
    }
    bool Listed() const { return m_listed; }
    bool More() const { return m_more; }
    void Next() {
        m_more = m_find.FindNext();
        SkipDots();
    }
    CBasicFileFind& Entry() { return m_find; }

private:
    void SkipDots() {
        while (m_more && m_find.IsDots()) m_more = m_find.FindNext();
    }

    CBasicFileFind m_find;
    bool m_more;
    bool m_listed = m_more;
};

// The text before the last separator of a path; false when there is none.
bool CutLastComponent(std::wstring& path) {
    wchar_t separator = IsBackslashPath(path.c_str()) ? L'\\' : L'/';
    size_t at = path.rfind(separator);
    if (at == std::wstring::npos || at == 0) return false;
    path.resize(at);
    return true;
}

// The id of an entry "... (0x<hex>)": true when the entry names one; id is
// -1 when it holds no hexadecimal digit there.
bool SpecialFolderId(const std::wstring& entry, long& id) {
    size_t open = entry.find(L"(0x");
    if (open == std::wstring::npos) return false;
    size_t close = entry.find(L')', open + 3);
    if (close == std::wstring::npos) return false;
    size_t end = open + 3;
    while (end < close && iswxdigit(entry[end])) ++end;
    std::wstring digits = entry.substr(open + 3, end - open - 3);
    id = digits.empty() ? -1 : (long)(unsigned)HexTextToInt(digits.c_str());
    return true;
}

} // namespace

CBasicString FindFolderByName(const wchar_t* startFolder, const wchar_t* name) {
    bool given = startFolder && name;
    ReportAssertion(given, kSourceFile, __LINE__);
    if (!given) return CBasicString();
    {
        CBasicFileFind find;
        if (find.FindFile(Join(startFolder, name).GetString())) return CBasicString(find.GetFilePath());
    }
    for (CFolderListing listing(startFolder); listing.More(); listing.Next()) {
        if (!listing.Entry().IsDirectory()) continue;
        CBasicString found = FindFolderByName(listing.Entry().GetFilePath(), name);
        if (!found.IsEmpty()) return found;
    }
    return CBasicString();
}

int FindFilesByName(const wchar_t* folder, const wchar_t* name, std::vector<CBasicString>* results,
                    const int* keepRunning, PathVisitObserver* observer) {
    bool given = folder && name && results;
    ReportAssertion(given, kSourceFile, __LINE__);
    if (!given) return 0;
    for (CFolderListing listing(folder); listing.More() && Running(keepRunning); listing.Next()) {
        CBasicFileFind& entry = listing.Entry();
        CBasicString path = entry.GetFilePath();
        if (entry.IsDirectory()) {
            if (!FindFilesByName(path.GetString(), name, results, keepRunning, observer)) return 0;
            continue;
        }
        Report(observer, path.GetString());
        if (CompareTextNoCase(entry.GetFileName(), name) == 0) results->push_back(path);
    }
    return 1;
}

int CountFolderContents(const wchar_t* folder, LONGLONG& entries, LONGLONG& folders, LONGLONG& bytes) {
    ReportAssertion(folder != nullptr, kSourceFile, __LINE__);
    if (!folder) return 0;
    CFolderListing listing(folder);
    if (!listing.Listed()) return 0;
    for (; listing.More(); listing.Next()) {
        CBasicFileFind& entry = listing.Entry();
        if (entry.IsDirectory()) {
            ++folders;
            CBasicString path = entry.GetFilePath();
            if (!CountFolderContents(path.GetString(), entries, folders, bytes)) return 0;
        }
        ++entries;
        bytes += (LONGLONG)entry.GetLength();
    }
    return 1;
}

int ContainsPathNoCase(const wchar_t* path, const std::set<std::wstring>& set) {
    for (const std::wstring& entry : set)
        if (CompareTextNoCase(entry.c_str(), path) == 0) return 1;
    return 0;
}

int EnumerateFolderByShell(const wchar_t* folder, std::set<std::wstring>& names, const int* keepRunning,
                           PathVisitObserver* observer) {
    bool exists = PathExists(folder) != 0;
    ReportAssertion(exists, kSourceFile, __LINE__);
    if (!exists) return 0;
    names.clear();
    CFolderListing listing(folder);
    ReportAssertion(listing.Listed(), kSourceFile, __LINE__);
    if (!listing.Listed()) return 0;
    for (; listing.More() && Running(keepRunning); listing.Next()) {
        std::wstring path = listing.Entry().GetFilePath();
        names.insert(path);
        Report(observer, path.c_str());
    }
    return keepRunning ? *keepRunning : 1;
}

int ExpandSpecialFolderEntries(const std::list<std::wstring>& entries, std::set<std::wstring>& out) {
    ReportAssertion(!entries.empty(), kSourceFile, __LINE__);
    if (entries.empty()) return 0;
    for (const std::wstring& entry : entries) {
        long id = 0;
        if (!SpecialFolderId(entry, id)) {
            out.insert(entry);
            continue;
        }
        ReportAssertion(id >= 0, kSourceFile, __LINE__);
        if (id < 0) continue;
        CBasicString folder = GetSpecialFolderPath((int)id);
        if (!folder.IsEmpty()) out.insert(folder.GetString());
    }
    return 1;
}

int RemoveContainedPaths(std::set<std::wstring>& paths, const int* keepRunning, PathVisitObserver* observer) {
    std::set<std::wstring> kept;
    for (auto path = paths.begin(); path != paths.end() && Running(keepRunning); ++path) {
        Report(observer, path->c_str());
        bool inside = false;
        std::wstring ancestor = *path;
        do {
            inside = ContainsPathNoCase(ancestor.c_str(), kept) != 0;
        } while (!inside && CutLastComponent(ancestor));
        if (!inside) kept.insert(*path);
    }
    paths.swap(kept);
    return 1;
}

int ExpandSearchFolders(std::set<std::wstring>& paths, const int* keepRunning, std::vector<CFileItemInfo*>* items,
                        PathVisitObserver* observer) {
    std::set<std::wstring> working = paths;
    for (auto path = paths.begin(); path != paths.end() && Running(keepRunning); ++path) {
        Report(observer, path->c_str());
        CBasicString extension = L"." + GetFileExtension(path->c_str());
        if (extension.CompareNoCase(kSavedSearchExtension) != 0) continue;
        std::set<std::wstring> found;
        if (!EnumerateFolderByShell(path->c_str(), found, keepRunning, observer) || found.empty()) continue;
        working.insert(found.begin(), found.end());
        if (!items) continue;
        CBasicFileFind find;
        CBasicFileFindInfo* entry = find.FindFile(path->c_str());
        if (!entry) continue;
        CBasicFileFindInfo copy = *entry;
        CFileItemInfo* item = new CFileItemInfo(&copy, path->c_str());
        item->GetStreamNames() = found;
        items->push_back(item);
    }
    if (working.size() > paths.size()) {
        RemoveContainedPaths(working, keepRunning, observer);
        if (Running(keepRunning)) paths.swap(working);
    }
    return 1;
}
