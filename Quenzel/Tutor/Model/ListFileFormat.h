#pragma once
// The lines of the vocabulary list files (VocabularyListFile.h) as they are
// written, and a file's kind by its extension; plain functions the exports
// of the tutor page and of the learning view share. The texts of an
// export's end (31143 failed, 31144 written, 31267 cancelled after some
// lines) are registered here too.
//
// An exported line is UTF-8 without a byte-order mark, "word<sep>meaning"
// and CR LF. A comma file quotes a field that holds a comma, a double quote
// or a line end (a double quote inside doubled); a tab file doubles the
// tabs inside a meaning. The importer reads both back as they were written.

#include <string>

#include "Quenzel/Tutor/Model/ListFileProgress.h"

// LIST_FILE_TAB for "txt", LIST_FILE_COMMA for "csv" (the extension in any
// case), 0 for any other.
int GetListFileKind(const wchar_t* path);

// One exported line with its CR LF, in UTF-8; empty for an unknown kind.
std::string FormatListFileLine(const wchar_t* word, const wchar_t* meaning, int kind);
