#pragma once
// CBasicListCtrl: the list control of every list of both programs. A report
// list whose rows each carry one caller-owned pointer; the control never
// stores row text and never frees a row. Whatever a row shows (the text of
// each cell, its picture, its check box) comes from the display hook
// UnTyped_DisplayListCtrlData, asked only for the cells being drawn. The
// subclass's hooks decide colours, which columns sort (SortEntries compares
// two rows), which cells are editable, which rows take dropped files and
// whether rows can be dragged.
//
// - Drawing: every row is drawn by the control (DrawItem while owner
//   drawing is on, SetFullRowSel(TRUE); otherwise the same drawing with the
//   list's own look). A selected row shows the selection colours behind the
//   text of column 0, or with full-row selection from the label to the end
//   of the last column; check box and picture are never highlighted.
// - One geometry serves drawing, hit tests and the editor: a row's bounds
//   run over all columns; inside column 0 come the check-box area (when the
//   list has check boxes), the picture (when it has a small image list) and
//   the label. Points and rectangles are in the list's client coordinates
//   (the rows' area below the header).
// - Sorting: a click on a sortable column's header sorts it, ascending on a
//   new column and reversed on the sorted one. Rows that compare equal keep
//   their order, and selection and focus follow their rows.
// - Clicks: a click on a row's check-box area reaches ItemStateIconClicked
//   before the selection changes; a second click on a cell of the focused
//   row, or F2 after a click, opens the cell editor when EnableEdit allows
//   it and the list has LVS_EDITLABELS. The edit reaches ItemEdited when it
//   ends with a text, unless the rows were sorted by a header click while
//   it was open.
// - Keys: Enter and Escape stay with the list (or its editor) and never
//   close the dialog.
// - Dragging (EnableSwap): the selected rows follow the mouse up and down,
//   a row at a time. Files dropped on the list (EnableDrop) reach
//   OnFilesDroped with the row under the mouse.

#include <QPointer>
#include <QTreeView>

#include <vector>

#include "Pendrel/Controls/KVXListViewDefs.h"
#include "Pendrel/Core/ListEditRules.h"
#include "Pendrel/PendrelApi.h"
#include "Pendrel/Controls/BasicListCtrlEdit.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "Pendrel/Platform/KVXRect.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "utility/BasicString.h"

class CBasicListCtrlHdr;
class CBasicListCtrlModel;

class PENDREL_API CBasicListCtrl : public CKVXWnd<QTreeView> {
    Q_OBJECT

public:
    enum eDisplayType { eLargeIcons = 0, eSmallIcons = 1, eList = 2, eReport = 3 };

    explicit CBasicListCtrl(eDisplayType displayType = eReport, QWidget* parent = nullptr);
    ~CBasicListCtrl() override;

    // Set-up. Create makes the control a child of parent over rect with the
    // styles (LVS_*) and the display type's view, and initialises it; FALSE
    // when InitializeListCtrl fails. A control put in a dialog by
    // SubclassDlgItem is initialised by its owner with InitializeListCtrl.
    BOOL Create(DWORD style, const RECT& rect, QWidget* parent, UINT id);
    BOOL InitializeListCtrl();
    // Ends the control's window: OnDestroyCalled, then it hides and takes no
    // more window messages. The rows' data stays with the owner.
    void DestroyWindow();
    int AddColumn(int index, const wchar_t* title, int width, int format = LVCFMT_LEFT);
    // The title from the string table; width = the title's width + extra.
    int AddColumn(int index, UINT titleId, int extraWidth, int format);
    BOOL SetFullRowSel(BOOL fullRowSelection);
    BOOL GetFullRowSel() const { return m_fullRowSelection; }
    void EnableSeparatorLines(BOOL separatorLines);
    void SendMessagesToWnd(HWND target) { m_targetWindow = target; }
    eDisplayType GetDisplayType() const { return m_displayType; }

    // The list view's own state.
    DWORD GetStyle() const { return m_style; }
    // TRUE when the styles changed.
    BOOL ModifyStyle(DWORD remove, DWORD add);
    DWORD GetExtendedStyle() const { return m_extendedStyle; }
    DWORD SetExtendedStyle(DWORD extendedStyle);
    BOOL SetTextColor(COLORREF color);
    BOOL SetTextBkColor(COLORREF color);
    BOOL SetBkColor(COLORREF color);
    // kind: LVSIL_NORMAL, LVSIL_SMALL, LVSIL_STATE. The list is not owned.
    HIMAGELIST SetImageList(HIMAGELIST list, int kind);
    HIMAGELIST GetImageList(int kind) const;
    CBasicListCtrlHdr* GetHeaderCtrl() const { return m_header; }
    int GetColumnCount() const;
    BOOL GetColumn(int column, LVCOLUMNW* info) const;
    int GetColumnWidth(int column) const;
    BOOL SetColumnWidth(int column, int width);
    int GetRowHeight() const;

    // Rows.
    void PrepareLVITEMStructure(LVITEMW& item, void* data);
    int AddItem(void* data);
    BOOL SetItem(int row, void* data);
    void* GetItem(int row) const;
    int GetItemCount() const;
    // TRUE removes every row (their data is left to the owner); FALSE does
    // nothing.
    void DeleteListItems(BOOL remove);
    // The row under a screen position packed as x (signed low word) and y
    // (signed high word); -1 when none.
    int GetItemFromMessagePos(DWORD position);
    // The cell's text from the display hook (at most 259 characters).
    CBasicString GetItemText(int row, int column);
    // Fills what item.mask asks for (text into item.pszText, picture,
    // state with item.stateMask) from the row's state and the display hook.
    BOOL GetItem(LVITEMW* item);
    // code: LVIR_BOUNDS, LVIR_ICON, LVIR_LABEL.
    BOOL GetItemRect(int row, RECT* rect, UINT code) const;
    // The rectangle of a cell: column 0 without its check box and picture
    // for LVIR_LABEL, else the whole column.
    BOOL GetSubItemRect(int row, int column, int code, RECT* rect) const;
    // The row under a client point and where on it (LVHT_*); -1 when none.
    int HitTest(POINT point, UINT* flags = nullptr) const;
    BOOL EnsureVisible(int row, BOOL partialOK);
    // Scrolls the rows by dx pixels sideways and dy rows.
    BOOL Scroll(int dx, int dy);
    int GetTopIndex() const;
    int GetCountPerPage() const;
    BOOL RedrawItems(int first, int last);
    UINT GetItemState(int row, UINT mask);
    // row -1: every row. Selection, focus and drop highlight.
    BOOL SetItemState(int row, UINT state, UINT mask);
    // The selected rows, ascending.
    std::vector<int> GetSelectedRows() const;
    int GetSelectedCount() const;
    int GetFirstSelectedRow() const;

    // Selection.
    void SelectItem(int row);
    void SelectAll();
    void InvertSelection();
    void ClearSelection();
    void RepaintSelectedItems();

    // Sorting.
    virtual void SortArrays(int column, BOOL ascending);
    int GetSortedColumn() const;
    BOOL IsAscSorted() const;

    // Check boxes, the cell editor, dragging and dropping.
    BOOL IsCursorOnCheckBox(int row, POINT point) const;
    void SetCheckBoxCursor();
    int HitTestEx(POINT& point, int* column) const;
    CBasicListCtrlEdit* ShowEditCtrl(int row, int column);
    // The editor open now, null when none.
    CBasicListCtrlEdit* GetEditCtrl() const { return m_editor; }
    void SelectDropTarget(int row);
    int GetDropTarget() const { return m_dropTarget; }
    // lParam: a POINT* in client coordinates (enter and over), a
    // CStringList* of the files' paths (drop). Each returns TRUE.
    LRESULT OnDragEnter(WPARAM wParam, LPARAM lParam);
    LRESULT OnDragOver(WPARAM wParam, LPARAM lParam);
    LRESULT OnDragLeave(WPARAM wParam, LPARAM lParam);
    LRESULT OnDropFiles(WPARAM wParam, LPARAM lParam);
    BOOL IsDragging() const { return m_dragging; }
    int GetLastClickedRow() const { return m_editRules.GetLastClickedRow(); }
    int GetLastClickedColumn() const { return m_editRules.GetLastClickedColumn(); }

    // Hooks and drawing operations; the base behaviour is told with each.
    // Draws one row (owner drawing).
    virtual void DrawItem(DRAWITEMSTRUCT* drawItem);
    virtual void ItemClicked(int row);       // nothing
    virtual void ItemDBClicked(int row);     // nothing
    virtual BOOL IsSortable(int column);     // TRUE
    virtual int SortEntries(void* data1, void* data2);  // 0: all rows equal
    virtual BOOL EnableDrop();               // FALSE
    virtual BOOL IsDropTarget(int row);      // FALSE
    virtual void OnFilesDroped(int row, const CStringList& files);  // nothing
    virtual void OnDestroyCalled();          // nothing
    virtual HWND GetTreeCtrlHWnd();          // null
    // Attaches the shared system file-icon lists (small and normal).
    virtual void InitializeSystemImageList();
    // Fills what item asks for of the row's data; the base fails a check.
    virtual void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item);
    virtual BOOL AfterCreatingListCtrl();    // TRUE; subclasses add columns
    virtual void ItemStateIconClicked(int row);  // nothing
    virtual BOOL EnableEdit(int row, int column);  // FALSE
    virtual BOOL IsDrawFocusRect();          // TRUE
    virtual void ItemEdited(int row, int column, const wchar_t* text);  // nothing
    virtual void ShowContextMenu(UINT flags, POINT screenPoint);  // nothing
    virtual void DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text,
                                const LVCOLUMNW& columnInfo, BOOL selected, CKVXRect cell, int margin);
    // rect: the row's rectangle; on return the label rectangle of column 0.
    virtual void DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                                 UINT format);
    virtual void DrawItemImage(QPainter* painter, const LVITEMW& item, const CKVXRect& rect, COLORREF background,
                               UINT blend);
    virtual COLORREF GetTextColor(int row, int column);
    virtual COLORREF GetTextBkColor(int row, int column);
    virtual COLORREF GetBkColor(int row, int column);
    virtual COLORREF GetSelTextColor(int row, int column, BOOL hasFocus);
    virtual COLORREF GetSelBkColor(int row, int column, BOOL hasFocus);
    virtual UINT GetImageBlend(UINT state);
    virtual BOOL EnableSwap();               // FALSE
    virtual void SwapItems(int row1, int row2);  // nothing
    virtual void OnRightButtonClicked(int row, POINT screenPoint);  // nothing
    // The image list and index of the row's check box; null: none drawn.
    virtual HIMAGELIST OnDrawCheckBox(int row, int& index);

protected:
    // The height of every row: the font's line and 4 pixels, at least the
    // small picture's height when the list shows pictures or check boxes.
    virtual int MeasureRowHeight() const;
    // Measures the rows again (after a font change of the subclass's own).
    void UpdateRowHeight();

    // The sort state the subclasses' SortEntries read.
    int m_sortColumn = 0;
    BOOL m_sortAscending = TRUE;

    bool event(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private slots:
    // The rows appended since the last pass of the event loop reach the
    // view, which lays them out at once when it is shown.
    void AnnounceAppendedRows();

private:
    struct RowGeometry {
        CKVXRect bounds;    // all columns
        CKVXRect checkBox;  // from the bounds' left edge to the picture
        CKVXRect icon;
        CKVXRect label;     // the rest of column 0
    };
    bool GetRowGeometry(int row, RowGeometry& geometry) const;
    int RowAtY(int y) const;
    int ColumnLeft(int column) const;  // relative to the row's left edge
    bool HasCheckBoxes() const;
    bool IsStateIconClicked(QPoint point) const;
    bool HasFocusForDrawing() const;
    void DrawRow(QPainter* painter, int row, const QRect& rowRect) const;
    void DrawSeparatorLines(QPainter& painter);
    void DrawGridLines(QPainter& painter);
    void ApplyStyle();
    void OnColumnClick(int column);
    void OnEndLabelEdit(int row, int column, const wchar_t* text);
    void RunClickRules(QPoint point);
    // Files dragged over the list (only lists that take drops).
    void HandleDragOver(QDragMoveEvent* event, bool entering);
    void BeginDrag(int row);
    void DropItemOnList();
    void SwapListItems(int row1, int row2);
    static int CompareFuncStatic(void* data1, void* data2, CBasicListCtrl* control);

    // False while the members are made: making the model sends the list
    // events before m_model is set.
    bool m_constructed = false;
    CBasicListCtrlModel* m_model;
    CBasicListCtrlHdr* m_header;
    eDisplayType m_displayType;
    HWND m_targetWindow = nullptr;
    COLORREF m_textColor;
    COLORREF m_textBkColor;
    COLORREF m_bkColor;
    wchar_t m_textBuffer[260];
    int m_dropTarget = -1;
    BOOL m_separatorLines = FALSE;
    BOOL m_fullRowSelection = FALSE;
    BOOL m_dragging = FALSE;
    int m_dragRow = 0;
    POINT m_dragPoint{0, 0};
    QWidget* m_dropWindow = nullptr;

    DWORD m_style;
    DWORD m_extendedStyle = 0;
    HIMAGELIST m_normalImages = nullptr;
    HIMAGELIST m_smallImages = nullptr;
    HIMAGELIST m_stateImages = nullptr;
    CListEditRules m_editRules;
    QPointer<CBasicListCtrlEdit> m_editor;
    QObject* m_editorObject = nullptr;  // the newest editor, until it is destroyed
    bool m_defaultDrawing = false;
    // A left press waiting for its release (or for a drag to start).
    bool m_pressPending = false;
    bool m_selectOnRelease = false;
    int m_pressRow = -1;
    QPoint m_pressPoint;
};
