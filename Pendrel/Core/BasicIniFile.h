#pragma once
// The event definition table of the log, read once from "LogDef.ini" and
// looked up by (section, code) from any thread afterwards.
//
// The file is single-byte text (Windows-1252, one character per byte):
//
//   ; a comment
//   [ONLINE]
//   12:E=Cannot connect to %s#31200
//
// Lines end with LF (a CR before it is dropped); empty lines are skipped.
// The first of ';', '[' and '=' in a line says what it is: a comment, a
// section header (the name between the '[' and the last ']' of the line,
// as it stands; without a ']' after the '[' the section stays), or an
// entry; a line with none of them is ignored. Entries before the first
// header belong to the section "". An entry is
//   code ':' level letter '=' message ['#' string id]
// the code and the string id being read as decimal numbers (white space
// and a sign before the digits allowed, no digits give 0). Level letters,
// either case: I 0, E 1, W 2, Q 3, D 4, F 5, U 6; another letter or a key
// without ':' (the whole key is the code) gives level 6 with an assertion
// report. The message runs from the '=' to the first '#' after it, spaces
// included. The first entry of a (section, code) stays; a later one is
// reported and dropped. A line whose first character is not printable
// ASCII (0x20 to 0x7E: a tab, a byte-order mark) ends the reading and
// fails the load.

#include "Pendrel/PendrelApi.h"
#include <istream>
#include <map>
#include <string>
#include <utility>

#include "utility/AbstractLog.h"
#include "utility/BasicString.h"

class PENDREL_API CBasicIniFile {
public:
    CBasicIniFile() = default;
    virtual ~CBasicIniFile();
    CBasicIniFile(const CBasicIniFile&) = delete;
    CBasicIniFile& operator=(const CBasicIniFile&) = delete;

    // Reads the file at path (opened by its path as it stands, without
    // changing the working folder): 0 when the table then holds at least
    // one entry; -1 when it holds none, the file cannot be opened or a line
    // starts with a character that is not printable.
    int Load(const wchar_t* path);

    // The reading of Load from any stream: adds the entries to the table.
    // -1 when a line starts with a character that is not printable, else 0.
    int Read(std::istream& in);

    // The message of (section, code), valid as long as the table; sets
    // level and stringId. "" when the table lacks it, leaving both as they
    // were. A null section is an assertion report and gives "".
    const wchar_t* Lookup(int code, const wchar_t* section, LOG_ICON_TYPE& level, int& stringId) const;

    int GetEntryCount() const { return (int)m_table.size(); }
    const CBasicString& GetDefinitionPath() const { return m_path; }

private:
    struct Entry {
        int stringId;
        std::wstring message;
        LOG_ICON_TYPE level;
    };

    void ReadSection(const std::wstring& line, size_t bracket, std::wstring& section) const;
    void ReadEntry(const std::wstring& line, size_t equals, const std::wstring& section);

    CBasicString m_path;
    std::map<std::pair<std::wstring, int>, Entry> m_table;
};
