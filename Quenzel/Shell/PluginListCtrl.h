#pragma once
// CPluginListCtrl: the plug-in page's list. Each row is a PluginEntry that
// the list owns: its file name and, as a check box, its enabled flag. A
// click on a row toggles the flag and tells the owner page with
// WM_USER+204.

#include <memory>
#include <vector>

#include "DataBase/DataBaseRecords.h"
#include "Quenzel/Shell/CheckColumnListCtrl.h"

class CPluginListCtrl : public CCheckColumnListCtrl {
    Q_OBJECT

public:
    explicit CPluginListCtrl(QObject* ownerPage, QWidget* parent = nullptr);
    ~CPluginListCtrl() override;

    // Adds a copy of the entry as the last row.
    void AddEntry(const PluginEntry& entry);
    // The entries in row order.
    std::vector<PluginEntry> GetEntries() const;

    BOOL AfterCreatingListCtrl() override;
    void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) override;
    void ItemClicked(int row) override;
    void DrawColumnData(QPainter* painter, int row, int column, const wchar_t* text, const LVCOLUMNW& columnInfo,
                        BOOL selected, CKVXRect cell, int margin) override;

private:
    QObject* m_ownerPage;
    std::vector<std::unique_ptr<PluginEntry>> m_entries;
};
