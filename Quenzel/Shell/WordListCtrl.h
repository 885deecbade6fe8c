#pragma once
// CWordListCtrl: a report list of words in one of three modes, given by its
// owner:
//   0 a plain word list (columns "Word" and "Mean"),
//   1 a known-and-unknown marking list: a click marks the selected rows
//     known, or unknown when the clicked row is known already; a click on a
//     hidden meaning only uncovers it,
//   2 a picture list (columns "ID", "Name" and "Picture Path", each row with
//     its 16 x 16 picture).
// The rows are copies that the control owns and frees. The owner gets
// WM_USER+203 (wParam the last row marked) after a mark and WM_USER+204
// (lParam 1 when the text now differs from the loaded one, else 0) after an
// in-place edit. Fonts and colours come from the settings (Options.h); the
// owner sets the two row background colours.

#include <QFont>

#include <cstdint>
#include <memory>
#include <vector>

#include "Pendrel/Controls/BasicListCtrl.h"
#include "Pendrel/Platform/KVXImageList.h"
#include "Quenzel/Model/ShellRecords.h"

class COptions;

enum WORDLIST_MODE { WORDLIST_PLAIN = 0, WORDLIST_MARKING = 1, WORDLIST_PICTURES = 2 };

constexpr UINT WM_WORDLIST_MARKED = WM_USER + 203;
constexpr UINT WM_WORDLIST_EDITED = WM_USER + 204;

class CWordListCtrl : public CBasicListCtrl {
    Q_OBJECT

public:
    // settings: the fonts and colours of the rows (not owned; may be null:
    // the control's own font, black text).
    explicit CWordListCtrl(QWidget* owner, const COptions* settings = nullptr, QWidget* parent = nullptr);
    ~CWordListCtrl() override;

    void SetMode(int mode) { m_mode = mode; }
    int GetMode() const { return m_mode; }
    void SetRowColors(COLORREF odd, COLORREF even);
    // The three fonts again from the settings (the window's font where the
    // normal font cannot be made); the rows are measured again.
    void RebuildFonts();

    // A copy of the row becomes the list's last row; its index.
    int AddRow(const GridRow& row);
    // Null (and an assertion) when the list has no such row.
    GridRow* GetRow(int row) const;
    void DeleteAllRows();

    // The marking list's counters.
    void SetCounters(int64_t total, int64_t known);
    int64_t GetKnownCount() const { return m_known; }
    int64_t GetUnknownCount() const { return m_unknown; }
    int64_t GetTotal() const { return m_total; }
    // A click of the marking list on a cell (what a mouse click does).
    void ClickCell(int row, int column);
    // The end of an in-place edit of a cell with the new text.
    void ItemEdited(int row, int column, const wchar_t* text) override;

    // The text of a cell in a mode; the order of two rows sorted by a
    // column (descending negates).
    static CBasicString CellText(const GridRow& row, int column, int mode);
    static int CompareRows(const GridRow& a, const GridRow& b, int column, bool ascending);
    // The height of a row in a mode from the fonts' LOGFONT heights.
    static int RowHeight(int mode, LONG normal, LONG left, LONG right);

    int SortEntries(void* data1, void* data2) override;
    void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) override;
    BOOL AfterCreatingListCtrl() override;
    BOOL EnableEdit(int row, int column) override;
    void ItemClicked(int row) override;
    void DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text, const LVCOLUMNW& columnInfo,
                        BOOL selected, CKVXRect cell, int margin) override;
    void DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                         UINT format) override;
    COLORREF GetTextColor(int row, int column) override;
    COLORREF GetTextBkColor(int row, int column) override;
    COLORREF GetBkColor(int row, int column) override;
    COLORREF GetSelTextColor(int row, int column, BOOL hasFocus) override;
    COLORREF GetSelBkColor(int row, int column, BOOL hasFocus) override;

protected:
    int MeasureRowHeight() const override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Mark(bool known);
    const QFont& RowFont(int row) const;
    // Mode 2: the picture of the file as the row's picture; FALSE when the
    // file is no PNG picture.
    BOOL SetPicture(GridRow& row, const CBasicString& path);

    QWidget* m_owner;
    const COptions* m_settings;
    int m_mode = WORDLIST_PLAIN;
    std::vector<std::unique_ptr<GridRow>> m_rows;
    QFont m_normalFont;
    QFont m_leftFont;
    QFont m_rightFont;
    LOGFONTW m_normalLog{};
    LOGFONTW m_leftLog{};
    LOGFONTW m_rightLog{};
    COLORREF m_oddColor;
    COLORREF m_evenColor;
    int64_t m_known = 0;
    int64_t m_unknown = 0;
    int64_t m_total = 0;
    CKVXImageList m_pictures;
    QPoint m_releasePoint;
};
