#pragma once
// CLanguageListCtrl: the language page's list. Shows the rows of a
// CLanguageListModel: the flag and the name, the reading order as a check
// box with "Yes" or "No", and the code. The name and the code are edited in
// place; a click on the reading-order cell toggles it. Every change the user
// makes is told to the owner page with WM_USER+204.

#include "Quenzel/Shell/CheckColumnListCtrl.h"

class CLanguageListModel;

class CLanguageListCtrl : public CCheckColumnListCtrl {
    Q_OBJECT

public:
    CLanguageListCtrl(QObject* ownerPage, CLanguageListModel* model, QWidget* parent = nullptr);

    // Shows the model's rows again (after rows were added or removed).
    void Reload();
    // A valid image becomes the flag of the row (the page's copy) with its
    // file; the row is redrawn and the page told. False for an invalid image.
    bool SetImage(int row, const wchar_t* path, const QImage& image);

    BOOL AfterCreatingListCtrl() override;
    int SortEntries(void* data1, void* data2) override;
    void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) override;
    BOOL EnableEdit(int row, int column) override;
    void ItemEdited(int row, int column, const wchar_t* text) override;
    void ItemClicked(int row) override;
    void DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text, const LVCOLUMNW& columnInfo,
                        BOOL selected, CKVXRect cell, int margin) override;
    void DrawFirstColumn(QPainter* painter, int row, CKVXRect& rect, const LVITEMW& item, int margin,
                         UINT format) override;

private:
    void NotifyModified(int modified);

    QObject* m_ownerPage;
    CLanguageListModel* m_model;
};
