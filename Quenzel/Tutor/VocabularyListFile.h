#pragma once
// Vocabulary list files: plain text of word and meaning pairs, one pair a
// line, separated by a tab (".txt") or a comma (".csv").
//
// Export: the lines of ListFileFormat.h, one a pair in the order of the
// list's pairs. The file is written beside the target and renamed over it,
// so an old longer file keeps no tail and a failed export leaves the old
// file as it was.
//
// Import: the file's text type is detected (TextFile.h) and the whole text
// decoded by it (a byte-order mark never reaches the first word). A tab
// line: the text before the first tab is the word, the rest the meaning,
// with every tab dropped except one that directly follows a dropped tab. A
// comma line: word, meaning and type name, each a CSV field; a quoted
// field may run over line ends. Each field is trimmed of white space and,
// unless it was quoted, of double quotes at both ends; a line without a
// word or a meaning is skipped.

#include <cstdint>
#include <string>
#include <vector>

#include "Pendrel/App/WorkerResult.h"
#include "Quenzel/Model/ShellRecords.h"
#include "Quenzel/Tutor/Model/ListFileFormat.h"
#include "Quenzel/Tutor/Model/ListFileProgress.h"
#include "utility/BasicString.h"

class CAbstractDataBase;

// The filter of the tutor page's file dialogs and their default extension.
constexpr UINT IDS_LIST_FILE_FILTER = 30102;
constexpr const wchar_t* kListFileExtension = L"txt";

// The longest line of a list file that is read, in bytes.
constexpr int64_t kMaxImportLineBytes = int64_t(64) << 10;

// One pair read from a line.
struct ImportedPair {
    std::wstring word;
    std::wstring meaning;
    std::wstring type;
};
// Splits one decoded line (UTF-8, without its line end): 1 when it gives a
// word and a meaning.
int SplitImportLine(const std::string& line, int kind, ImportedPair& pair);
// The lines of a decoded text: LF or CR LF ends a line; a comma file's
// quoted field keeps its line ends inside (as LF).
std::vector<std::string> SplitImportText(const std::string& text, int kind);

// Exports the pairs of the list to path. The end record gets 31144
// (written), 31267 (cancelled after some lines) or 31143 (failed, nothing
// written, or cancelled before the first line) with the path. 1 when every
// pair was written.
int ExportVocabularyList(CAbstractDataBase* database, int64_t listId, const wchar_t* path, int kind,
                         const ListFileProgress& progress, WorkerResult& end);

// Reads the file into new rows of the list editor (appended to rows): both
// texts of each cell, the type of the type name (case ignored; the first
// type of the database otherwise), marked unknown with a status to save.
// 1 when the whole file was read, 0 when it was stopped or could not be
// read. A file with a line longer than kMaxImportLineBytes (its line end
// not counted) is refused as soon as that line is met, without reading the
// rest: no rows are added and the line's 1-based number goes to longLine.
int ImportVocabularyList(CAbstractDataBase* database, const wchar_t* path, int kind, const ListFileProgress& progress,
                         std::vector<GridRow>& rows, int* longLine = nullptr);
