#pragma once
// CEditAutoSearch: a search field that asks the dictionary for suggestions
// while the user types and shows them in its pop-up (WndAutoSearch.h), and
// keeps a history of texts its owner feeds it, shown when the field is
// empty. It serves the dictionary page (dialog 543) and the word editor
// (dialog 541); it may also be the edit inside an editable combo box.
//
// Messages to the owner dialog:
// - WM_USER (wParam 1024, lParam the field's control id), sent after each
//   handled change of the text;
// - dialog 543: WM_COMMAND 11004, posted when the user presses Enter or
//   picks a suggestion;
// - dialog 541: WM_USER+210 (wParam the side flag, lParam a pointer to the
//   picked suggestion's 64-bit id), sent when the user picks one. Enter
//   with no row selected sends nothing.
// A click on a pop-up row reaches the field as WM_USER+208 (wParam 256,
// lParam a pointer to the row's id).

#include <QLineEdit>

#include <cstdint>
#include <string>
#include <vector>

#include "Pendrel/Platform/KVXWnd.h"
#include "Quenzel/Dictionary/WndAutoSearch.h"

class CAbstractDataBase;

constexpr UINT WM_KVX_AUTOSEARCH_CHOICE = WM_USER + 208;
constexpr UINT WM_KVX_AUTOSEARCH_PICKED = WM_USER + 210;
constexpr WPARAM kAutoSearchClick = 256;
constexpr WPARAM kAutoSearchTextChanged = 1024;
constexpr UINT kAutoSearchDictionaryPage = 543;
constexpr UINT kAutoSearchWordEditor = 541;
constexpr UINT kAutoSearchSearchCommand = 11004;

class CEditAutoSearch : public CKVXWnd<QLineEdit> {
    Q_OBJECT

public:
    enum Kind { KIND_NONE = -1, KIND_EDIT = 1, KIND_COMBOBOX = 2 };

    explicit CEditAutoSearch(QWidget* parent = nullptr);
    ~CEditAutoSearch() override;

    // Completes the field once: the owner dialog's id and the side flag (1:
    // suggestions of the first language, 0: of the second). A second call
    // changes only the side flag.
    void Attach(UINT dialogId, BYTE side);
    bool IsAttached() const { return m_attached; }
    Kind GetKind() const { return m_kind; }
    BYTE GetSide() const { return m_side; }

    // Thread-safe: 1 when the text was new to the history.
    int AddHistoryItem(const wchar_t* text, int64_t id);
    std::vector<std::wstring> GetHistoryTexts() const;
    // Empties the suggestions and the history.
    void ClearSuggestions();
    // On: the pop-up shows the whole history; off: it hides.
    void ShowHistory(int on);
    bool IsHistoryShown() const { return m_historyShown; }

    // The database the suggestions come from; null (the default) uses the
    // program's.
    void SetDataBase(CAbstractDataBase* dataBase) { m_dataBase = dataBase; }

    CWndAutoSearch& GetPopup() { return m_popup; }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnTextChanged();
    void Accept(int64_t* pickedId);
    QWidget* OwnerDialog() const;
    CAbstractDataBase* DataBase() const;

    CWndAutoSearch m_popup;
    Kind m_kind = KIND_NONE;
    UINT m_dialogId = 0;
    BYTE m_side = 0;
    bool m_attached = false;
    bool m_historyShown = false;
    bool m_navigating = false;
    CAbstractDataBase* m_dataBase = nullptr;
    int64_t m_acceptedId = 0;
};
