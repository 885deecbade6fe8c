#include "Quenzel/Dictionary/Model/AutoSearchModel.h"

#include <algorithm>

#include "utility/ErrorReport.h"
#include "utility/UnicodeCase.h"

namespace {

const char kSourceFile[] = ".\\WndAutoSearch";

std::wstring UpperText(const std::wstring& text) {
    std::wstring upper(text);
    for (wchar_t& ch : upper) ch = ToUpperChar(ch);
    return upper;
}

} // namespace

void CAutoSearchModel::AddSuggestion(const std::wstring& text, int64_t id) {
    m_suggestions.try_emplace(text, Suggestion{id, UpperText(text)});
}

void CAutoSearchModel::ClearSuggestions() {
    m_suggestions.clear();
    m_rows.clear();
    m_selection = -1;
    m_firstVisible = 0;
}

int CAutoSearchModel::AddHistoryItem(const std::wstring& text, int64_t id) {
    std::lock_guard<std::mutex> lock(m_historyLock);
    return m_history.try_emplace(text, id).second ? 1 : 0;
}

void CAutoSearchModel::ClearHistory() {
    std::lock_guard<std::mutex> lock(m_historyLock);
    m_history.clear();
}

std::vector<std::wstring> CAutoSearchModel::GetHistoryTexts() const {
    std::lock_guard<std::mutex> lock(m_historyLock);
    std::vector<std::wstring> texts;
    for (const auto& [text, id] : m_history) texts.push_back(text);
    return texts;
}

void CAutoSearchModel::SuggestHistory() {
    ClearSuggestions();
    std::lock_guard<std::mutex> lock(m_historyLock);
    for (const auto& [text, id] : m_history)
        if (!text.empty()) AddSuggestion(text, id);
}

int CAutoSearchModel::Filter(int64_t start, const std::wstring& text) {
    const int before = GetCount();
    if (static_cast<int64_t>(m_suggestions.size()) < start) {
        m_rows.clear();
        m_selection = -1;
        return -1;
    }
    m_rows.clear();
    const std::wstring filter = UpperText(text);
    int64_t index = 0;
    for (const auto& [suggestionText, suggestion] : m_suggestions) {
        if (index > start && suggestion.upper.compare(0, filter.size(), filter) == 0)
            m_rows.push_back(Row{suggestionText, index, suggestion.id});
        ++index;
    }
    if (GetCount() != before) m_selection = -1;
    SetFirstVisible(m_firstVisible);
    return GetCount();
}

std::wstring CAutoSearchModel::GetRowText(int row) const {
    return row >= 0 && row < GetCount() ? m_rows[static_cast<size_t>(row)].text : std::wstring();
}

int64_t CAutoSearchModel::GetRowId(int row) const {
    return row >= 0 && row < GetCount() ? m_rows[static_cast<size_t>(row)].id : 0;
}

void CAutoSearchModel::SetSelection(int row) { m_selection = row >= 0 && row < GetCount() ? row : -1; }

void CAutoSearchModel::OnHidden() {
    m_lastSelection = m_selection;
    m_selection = -1;
    m_firstVisible = 0;
}

int CAutoSearchModel::GetShownRowCount() const { return std::min(GetCount(), kMaxVisibleRows); }

void CAutoSearchModel::SetRowsPerPage(int rows) {
    m_rowsPerPage = std::max(1, rows);
    SetFirstVisible(m_firstVisible);
}

int CAutoSearchModel::GetMaxFirstVisible() const { return std::max(0, GetCount() - m_rowsPerPage); }

void CAutoSearchModel::SetFirstVisible(int row) { m_firstVisible = std::clamp(row, 0, GetMaxFirstVisible()); }

bool CAutoSearchModel::NeedsScrollBar() const { return GetCount() - 1 >= m_rowsPerPage; }

int CAutoSearchModel::RowAt(int y, int rowHeight) const {
    if (y < 0 || rowHeight <= 0) return -1;
    const int row = m_firstVisible + y / rowHeight;
    return row < GetCount() ? row : -1;
}

std::wstring CAutoSearchModel::MoveSelection(Key key) {
    const int count = GetCount();
    int selection = m_selection;
    switch (key) {
    case KEY_PAGE_UP:
        selection = std::max(0, selection - m_rowsPerPage);
        break;
    case KEY_ENTER:
        selection = std::max(0, selection);
        break;
    case KEY_HOME:
        selection = 0;
        break;
    case KEY_PAGE_DOWN:
        selection += m_rowsPerPage;
        if (selection >= count - 1) selection = count - 1;
        break;
    case KEY_END:
        selection = count - 1;
        break;
    case KEY_UP:
        --selection;
        break;
    case KEY_DOWN:
        ++selection;
        break;
    default:
        ReportAssertion(0, kSourceFile, 412);
        return std::wstring();
    }
    if (count == 0) {
        m_selection = -1;
        return std::wstring();
    }
    if (selection < 0) selection = count - 1;
    if (selection >= count) selection = 0;
    m_selection = selection;
    return GetRowText(m_selection);
}

CAutoSearchModel::Navigation CAutoSearchModel::Navigate(Key key) {
    Navigation result;
    const int last = GetCount() - 1;
    const bool atTop = m_selection == 0 && (key == KEY_UP || key == KEY_PAGE_UP);
    const bool atBottom = m_selection == last && m_selection >= 0 && (key == KEY_DOWN || key == KEY_PAGE_DOWN);
    result.text = atTop || atBottom ? GetRowText(m_selection) : MoveSelection(key);
    result.setsFieldText = key == KEY_PAGE_UP || key == KEY_PAGE_DOWN || key == KEY_UP || key == KEY_DOWN;
    return result;
}

int CAutoSearchModel::ScrollTarget(int row) const {
    const int first = m_firstVisible;
    if (row >= first && row < first + m_rowsPerPage) return first;
    if (row < first) return std::max(0, row);
    return std::max(first, std::min(row - m_rowsPerPage + 1, GetMaxFirstVisible()));
}

bool CAutoSearchModel::ScrollStep(int target) {
    if (m_firstVisible == target) return false;
    m_firstVisible += target > m_firstVisible ? 1 : -1;
    return true;
}
