#pragma once
// CMultilineListBox: word and meaning pairs in two columns, each row as
// tall as its longer text needs (30 to 255 pixels). Row 0 is a heading row
// with the two language names; a click on it sorts the list by that column.
// The rows and their rules live in CMultilineListRows; this window shows
// them through CMultilineListModel and CMultilineListDelegate.
//
// Display modes (MultilineListRows.h): 0 the list editor edits cells in
// place, 1 the learning view marks rows known or unknown and hides
// meanings, 2 draws plain text, 3 the dictionary page adds rows to
// vocabulary lists ("Add to" on the context menu).
//
// The owner receives WM_USER+204 (0, non-zero) after a mark or a changed
// edit, WM_USER+203 (last marked row, 0) after a mark, and WM_COMMAND
// 11000, 11001 and 11102 for the menu's Known, Unknown and Remove.
//
// AddRow, ResetContent and MarkRows may be called from a worker; the view
// catches up on its own thread.

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QListView>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "Quenzel/App/QuenzelServices.h"
#include "Quenzel/Model/MultilineListRows.h"
#include "compat/WinUser.h"
#include "utility/BasicString.h"

class CMultilineListModel;
class CPronunciationDlg;
class CVocabularyListsPage;
class QMenu;

// Messages to the owner.
constexpr UINT WM_MULTILINE_CHANGED = WM_USER + 204;
constexpr UINT WM_MULTILINE_MARKED = WM_USER + 203;

// Commands of the context menu.
enum : UINT {
    IDC_MULTILINE_KNOWN = 11000,
    IDC_MULTILINE_UNKNOWN = 11001,
    IDC_MULTILINE_REMOVE = 11102,
    IDC_MULTILINE_EDIT = 11020,
    IDC_MULTILINE_SHOW_MEAN = 11021,
    IDC_MULTILINE_PRONUNCIATION = 11022,
    IDC_MULTILINE_FIRST_SOUND = 11023,    // 11023, 11024, ...: play the sounds of the cell
    IDC_MULTILINE_LAST_SOUND = 11099,
    IDC_MULTILINE_FIRST_LIST = 10000,     // 10000 - 10098: add to a list of the pair
    IDC_MULTILINE_LAST_LIST = 10098,
    IDC_MULTILINE_NEW_LIST = 10099,
    IDC_MULTILINE_EDITOR = 10             // the in-place editor
};

class CMultilineListBox : public CKVXWnd<QListView> {
    Q_OBJECT

public:
    // owner receives the messages; it must not be null. The rows' fonts and
    // colours come from services.options, once the settings were read.
    CMultilineListBox(const QuenzelServices& services, QWidget* owner, QWidget* parent = nullptr);
    ~CMultilineListBox() override;

    // Set-up.
    void SetMode(int mode);
    int GetMode() const { return m_rows.GetMode(); }
    // The window of the language pair (the main dialog); with it the
    // dictionary mode offers "Add to".
    void SetLanguagePairWindow(QWidget* window) { m_pairWindow = window; }
    QWidget* GetLanguagePairWindow() const { return m_pairWindow; }
    // The language of the shown list; kPictureLanguageId shows pictures in
    // the word column.
    void SetLanguageId(int languageId);
    int GetLanguageId() const { return m_languageId; }
    void SetRightToLeft(int wordColumn, int meaningColumn);
    // Enables Edit and Remove in the learning mode.
    void SetEditFlag(int editable) { m_editFlag = editable; }
    int GetEditFlag() const { return m_editFlag; }
    // The status images and sort arrows (once) and the fonts of the
    // settings (every call).
    void LoadImages();

    // Rows.
    void AddRow(const GridRow& row);
    // Takes the rows (the vector is left empty) and adds them as AddRow
    // adds each, telling the view once. User-interface thread only.
    void AddRows(std::vector<GridRow>&& rows);
    void AddHeadingRow(const wchar_t* first, const wchar_t* second);
    void SetFirstRowTexts(const wchar_t* first, const wchar_t* second);
    void ResetContent();
    // The row as kept (CMultilineListRows::GetRow): its loaded texts may be
    // empty; GetRows().CopyRow gives the whole row.
    const GridRow* GetRow(int index) const { return m_rows.GetRow(index); }
    int GetRowCount() const { return m_rows.GetRowCount(); }
    void DeleteRow(int index);
    void GetSelectedRows(std::vector<int>& rows) const;
    void MarkSelected(BOOL known);
    // Marks the rows; safe from the learning view's worker, which stops the
    // mark through the progress dialog.
    void MarkRows(const std::vector<int>& rows, BOOL known);
    void SetMeaningsHidden(BOOL hidden);
    // Lays the rows out again; rows whose texts changed since they were
    // measured are measured anew.
    void RecalcHeights();
    void SortRows(int wordColumn, BOOL ascending);
    CMultilineListRows& GetRows() { return m_rows; }

    // Counters of the learning view.
    void SetCounters(int64_t total, int64_t known, int64_t unknown) { m_rows.SetCounters(total, known, unknown); }
    int64_t GetTotalCount() const { return m_rows.GetTotalCount(); }
    int64_t GetKnownCount() const { return m_rows.GetKnownCount(); }
    int64_t GetUnknownCount() const { return m_rows.GetUnknownCount(); }
    BOOL IsModified() const { return m_rows.IsModified() ? TRUE : FALSE; }
    void SetModified(BOOL modified) { m_rows.SetModified(modified != FALSE); }

    int GetCurrentRow() const { return m_currentRow; }
    int GetCurrentColumn() const { return m_currentColumn; }
    // Makes the cell current and its row the only selection.
    void SetCurrentCell(int row, int column);
    // The column under a point of the viewport: 0, 1, or -1 outside both.
    int ColumnAt(const QPoint& point) const;

    // In-place edit of a cell (not in the dictionary mode, not on the
    // heading row); the editor while one is open.
    BOOL StartEdit(int row, int column);
    CBasicListCtrlEdit* GetEditor() const { return m_editor.data(); }

    // The context menu of the current cell, and its commands.
    void BuildContextMenu(QMenu& menu);
    void OnMenuCommand(UINT id);
    // The pronunciation dialog the menu made for the current cell; null
    // before.
    CPronunciationDlg* GetPronunciationDlg() const { return m_pronunciation.get(); }

    // Stores the selected rows in the list, or in a new list made with them
    // (CMultilineListRows::StoreRowsInList): 0, DATABASE_EXISTS or a
    // failure, and how many were added.
    int StoreSelectedRows(VocabularyListRecord& list, bool create, int& added);
    // The lists of the current language pair, as "Add to" offers them.
    std::vector<VocabularyListRecord*> GetPairLists() const;

    // For the delegate.
    int MeasureItem(int index) const;
    void DrawItem(QPainter& painter, const QRect& rect, int index, bool selected, bool focused) const;

    // The heading row's rectangle is the top of the viewport whatever the
    // scroll position, and a point there is on the heading row.
    QRect visualRect(const QModelIndex& index) const override;
    QModelIndex indexAt(const QPoint& point) const override;
    // Scrolls a row below the heading row into view under it.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool event(QEvent* event) override;

    // Asks the name of a new vocabulary list; false when cancelled.
    virtual bool AskNewListName(CBasicString& name);
    // Shows a message of the "Add to" commands over the language-pair
    // window.
    virtual int ShowMessage(const wchar_t* text, UINT flags);
    // Today's date as the list entries take it, "YYYY-MM-DD".
    virtual CBasicString Today() const;

private:
    void RunClickAction(int row, int column);
    void AfterMark(const CMultilineListRows::MarkResult& result, bool manyRows);
    void OnEndEdit(int row, int column, const wchar_t* text);
    void TakeFocusFromEditor();
    // Frees the view's layout of rows that are gone.
    void ReleaseLayout();
    // Lays the rows out with the heights known, measuring the rest.
    void Relayout();
    // The height of the heading row on top of the viewport; 0 without one.
    int HeadingHeight() const;
    // The palette of the heading row's button face.
    const QPalette& HeadingPalette() const;
    int TextHeight(const QFont& font, int width, const CBasicString& text) const;
    QRect CellRect(const QRect& item, int column, bool hasImage) const;
    const QImage* WordPicture(int64_t wordId) const;
    void OnAddToList(int listNumber);
    void OnNewList();
    void OpenPronunciation();
    void PlayCellSound(int number);
    std::vector<GridRow> SelectedRowCopies() const;
    QWidget* MessageParent() const;
    CVocabularyListsPage* TutorPage() const;

    QuenzelServices m_services;
    QWidget* m_owner;
    QWidget* m_pairWindow = nullptr;
    CMultilineListRows m_rows;
    CMultilineListModel* m_model;
    int m_languageId = 0;
    mutable int m_measuredWidth = -1;  // the viewport width the rows' heights were measured at
    int m_rightToLeftWord = 0;
    int m_rightToLeftMeaning = 0;
    QFont m_normalFont;
    QFont m_leftFont;
    QFont m_rightFont;
    std::vector<QImage> m_statusImages;
    std::vector<QImage> m_sortArrows;
    int m_currentRow = -1;
    int m_currentColumn = 0;
    QPointer<CBasicListCtrlEdit> m_editor;  // cleared when the editor goes
    std::unique_ptr<CPronunciationDlg> m_pronunciation;
    int m_editFlag = 1;
    mutable std::map<int64_t, QImage> m_pictures;
    mutable QPalette m_headingPalette;
    mutable qint64 m_headingPaletteOf = 0;  // the cache key of the list's palette it was made from
};
