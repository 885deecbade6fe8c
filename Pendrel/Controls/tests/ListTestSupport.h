#pragma once
// A list control of the tests: rows are Row records that the test owns
// (each counts its own destruction), three columns (name, key, note; the
// note column does not sort), and hooks that record what reached them.

#include <QApplication>
#include <QDialog>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "Pendrel/Controls/BasicListCtrl.h"
#include "Pendrel/Controls/BasicListCtrlHdr.h"
#include "Pendrel/Platform/KVXRect.h"

namespace kvxlisttest {

struct Row {
    std::wstring name;
    int key = 0;
    bool checked = false;
    int* destroyed = nullptr;
    ~Row() {
        if (destroyed) ++*destroyed;
    }
};

class TestList : public CBasicListCtrl {
public:
    TestList() : CBasicListCtrl(eReport) {}

    // What reached the hooks, in order ("state 3", "clicked 3", ...).
    std::vector<std::string> events;
    int displayCalls = 0;
    int sortArraysCalls = 0;
    bool editable = true;
    bool swap = false;
    bool checkBoxes = false;
    // Whether the row was selected when its check-box hook ran.
    std::vector<bool> selectedAtStateClick;
    std::vector<std::wstring> edits;  // "row,column:text"
    std::vector<std::pair<int, CStringList>> drops;

    void UnTyped_DisplayListCtrlData(void* data, LVITEMW* item) override {
        ++displayCalls;
        const Row* row = static_cast<const Row*>(data);
        if ((item->mask & LVIF_TEXT) && item->pszText) {
            std::wstring text = item->iSubItem == 0   ? row->name
                                : item->iSubItem == 1 ? std::to_wstring(row->key)
                                                      : L"note";
            text = text.substr(0, static_cast<size_t>(item->cchTextMax - 1));
            std::wcscpy(item->pszText, text.c_str());
        }
        if (item->mask & LVIF_STATE) item->state = INDEXTOSTATEIMAGEMASK(row->checked ? 2 : 1);
    }
    BOOL AfterCreatingListCtrl() override {
        AddColumn(0, L"Name", 120);
        AddColumn(1, L"Key", 60, LVCFMT_RIGHT);
        AddColumn(2, L"Note", 80);
        return TRUE;
    }
    void InitializeSystemImageList() override {}
    BOOL IsSortable(int column) override { return column != 2; }
    // Only the key column compares; in column 0 all rows are equal.
    int SortEntries(void* a, void* b) override {
        if (m_sortColumn != 1) return 0;
        const int result = static_cast<Row*>(a)->key - static_cast<Row*>(b)->key;
        return m_sortAscending ? result : -result;
    }
    void SortArrays(int column, BOOL ascending) override {
        ++sortArraysCalls;
        CBasicListCtrl::SortArrays(column, ascending);
    }
    void ItemClicked(int row) override { events.push_back("clicked " + std::to_string(row)); }
    void ItemDBClicked(int row) override { events.push_back("double " + std::to_string(row)); }
    void ItemStateIconClicked(int row) override {
        events.push_back("state " + std::to_string(row));
        selectedAtStateClick.push_back((GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED) != 0);
    }
    BOOL EnableEdit(int, int) override { return editable; }
    void ItemEdited(int row, int column, const wchar_t* text) override {
        edits.push_back(std::to_wstring(row) + L"," + std::to_wstring(column) + L":" + text);
    }
    BOOL EnableSwap() override { return swap; }
    void SwapItems(int a, int b) override { events.push_back("swap " + std::to_string(a) + " " + std::to_string(b)); }
    BOOL EnableDrop() override { return TRUE; }
    BOOL IsDropTarget(int row) override { return row % 2 == 0; }
    void OnFilesDroped(int row, const CStringList& files) override { drops.emplace_back(row, files); }

    Row* RowAt(int row) const { return static_cast<Row*>(GetItem(row)); }
    // The centre of a cell in client (viewport) coordinates.
    QPoint CellCentre(int row, int column) const {
        RECT rect;
        const_cast<TestList*>(this)->GetSubItemRect(row, column, LVIR_BOUNDS, &rect);
        return CKVXRect(rect).ToQRect().center();
    }
    QPoint CheckBoxPoint(int row) const {
        RECT rect;
        GetItemRect(row, &rect, LVIR_BOUNDS);
        return QPoint(rect.left + 8, (rect.top + rect.bottom) / 2);
    }
};

// A dialog holding a test list with rows whose names and keys are given.
class ListFixture {
public:
    explicit ListFixture(std::vector<std::pair<std::wstring, int>> rows = {}) {
        dialog.resize(400, 300);
        list = new TestList;
        list->Create(WS_CHILD | WS_VISIBLE | LVS_EDITLABELS, CKVXRect(0, 0, 400, 300), &dialog, 1000);
        for (auto& [name, key] : rows) Add(name, key);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        (void)QTest::qWaitForWindowExposed(&dialog);
        list->setFocus();
        QApplication::processEvents();
    }
    Row* Add(const std::wstring& name, int key) {
        auto row = std::make_unique<Row>();
        row->name = name;
        row->key = key;
        row->destroyed = &destroyed;
        list->AddItem(row.get());
        owned.push_back(std::move(row));
        return owned.back().get();
    }
    std::wstring Names() const {
        std::wstring names;
        for (int row = 0; row < list->GetItemCount(); ++row) names += list->RowAt(row)->name;
        return names;
    }
    void Click(int row, int column) { QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->CellCentre(row, column)); }
    void ClickHeader(int column) {
        CBasicListCtrlHdr* header = list->GetHeaderCtrl();
        const int x = header->sectionViewportPosition(column) + header->sectionSize(column) / 2;
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(x, header->height() / 2));
    }
    // What the window system delivers for a double click: press, release,
    // double click, release.
    void DoubleClick(QPoint point) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, point);
    }
    void Key(int key) { QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key)); }

    int destroyed = 0;
    std::vector<std::unique_ptr<Row>> owned;  // outlives the dialog's list
    QDialog dialog;
    TestList* list = nullptr;
};

} // namespace kvxlisttest
