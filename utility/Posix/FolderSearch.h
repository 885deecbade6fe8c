#pragma once
// Walking folders and reducing sets of paths, for callers that let a user
// pick files and folders and then need the concrete items. Free functions
// without state; broken contracts raise assertion reports
// (".\Windows\BasicAPI").
//
// - The walks list folders with CBasicFileFind and never descend into a
//   symbolic link (the search shows a link as a link, never as a folder).
// - keepRunning points at the caller's flag (null: always on): a walk goes
//   on only while it is non-zero, so another thread stops it by setting it
//   to 0. observer (may be null) is told of each path visited.
// - There is no shell namespace here: a folder "listed through the shell"
//   is listed as a folder, and saved searches are not expanded (a saved
//   search that is a folder is listed as one).
// - Path sets order by plain code-unit comparison, so a folder comes before
//   the paths inside it. Paths use '/'; a text that is a backslash path
//   (IsBackslashPath) splits at '\' instead.

#include <list>
#include <set>
#include <string>
#include <vector>

#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CFileItemInfo;
class PathVisitObserver;

// The full path of the first entry named name (file or folder): the direct
// child of startFolder first, then depth first through its subfolders in
// the order the search lists them; "" when there is none. A null argument
// is an assertion report and "".
CBasicString FindFolderByName(const wchar_t* startFolder, const wchar_t* name);

// Appends to results the full path of every file below folder whose name
// equals name without regard to case -> 1 (also when the walk was
// stopped); 0 when a subfolder's walk gives 0. Null arguments are an
// assertion report and 0.
int FindFilesByName(const wchar_t* folder, const wchar_t* name, std::vector<CBasicString>* results,
                    const int* keepRunning, PathVisitObserver* observer);

// Adds the entries below folder (folders too) to entries, the folders among
// them to folders and their sizes to bytes -> 1; 0 when a folder cannot be
// listed (the counts then hold what was counted). A null folder is an
// assertion report and 0.
int CountFolderContents(const wchar_t* folder, LONGLONG& entries, LONGLONG& folders, LONGLONG& bytes);

// 1 when a path of the set equals path without regard to case.
int ContainsPathNoCase(const wchar_t* path, const std::set<std::wstring>& set);

// Replaces names with the full paths of the entries of folder (not
// recursive; hidden entries too) -> *keepRunning (non-zero when the listing
// was not stopped). A folder that does not exist or cannot be listed is an
// assertion report and 0 (names is emptied only once the folder is found).
int EnumerateFolderByShell(const wchar_t* folder, std::set<std::wstring>& names, const int* keepRunning,
                           PathVisitObserver* observer);

// Adds each entry to out; an entry holding "(0x<hex>)" stands for that
// special folder (GetSpecialFolderPath), added when the system has it. An
// empty list, or an id that cannot be read, is an assertion report (the
// list gives 0, the entry is passed over). -> 1.
int ExpandSpecialFolderEntries(const std::list<std::wstring>& entries, std::set<std::wstring>& out);

// Drops every path that lies inside another path of the set (or equals one
// without regard to case), taking the paths in set order -> 1. A stopped
// walk leaves only the paths taken so far.
int RemoveContainedPaths(std::set<std::wstring>& paths, const int* keepRunning, PathVisitObserver* observer);

// Adds to the set the contents of every saved search in it (a path ending
// in ".search-ms", listed with EnumerateFolderByShell), then reduces it with
// RemoveContainedPaths; with items, an item (CFileItemInfo, owned by the
// caller) of each saved search that gave paths, its stream names being the
// paths found. -> 1. A stopped walk leaves the set unchanged.
int ExpandSearchFolders(std::set<std::wstring>& paths, const int* keepRunning, std::vector<CFileItemInfo*>* items,
                        PathVisitObserver* observer);
