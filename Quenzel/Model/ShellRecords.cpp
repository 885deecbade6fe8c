#include "Quenzel/Model/ShellRecords.h"

#include <algorithm>
#include <cwchar>

#include "utility/UnicodeCase.h"

namespace {
const CBasicString& TextOf(const GridRow& row, bool byWord) { return byWord ? row.word.m_text : row.meaning.m_text; }
} // namespace

bool GridRowLess::operator()(const GridRow& a, const GridRow& b) const {
    const int order = CompareTextNoCase(TextOf(a, m_byWord).GetString(), TextOf(b, m_byWord).GetString());
    return m_ascending ? order < 0 : order > 0;
}

bool GridRowPrefix::operator()(const GridRow& row) const {
    const CBasicString& text = TextOf(row, m_byWord);
    const size_t length = std::min(wcslen(text.GetString()), wcslen(m_text.GetString()));
    return CompareTextNoCaseN(text.GetString(), m_text.GetString(), length) == 0;
}
