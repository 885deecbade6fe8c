#pragma once
// CWndAutoSearch: the suggestion pop-up under an auto-search field
// (EditAutoSearch.h). A borderless top-level tool window that never takes
// the keyboard focus, so the user types on in the field while it is shown.
// It shows the rows of its model (AutoSearchModel.h), at most eight at
// once, with a scroll bar when more pass the filter and a size grip in its
// bottom-right corner.
//
// - While shown it watches its owner dialog every 200 ms and hides itself
//   when the dialog has moved or changed its size; it also hides when the
//   application is no longer active.
// - Moving the pointer over a row selects it. A left click selects the row,
//   sends WM_USER+208 (256, pointer to the row's id) to the owner field and
//   hides the pop-up half a second later; a right click hides it at once.
// - Timed steps (the watch, smooth scrolling, the pause after a click) run
//   on the timers of its clock (AutoSearchClock.h).

#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

#include "Quenzel/Dictionary/Model/AutoSearchModel.h"

class CAutoSearchClock;
class QScrollBar;

class CWndAutoSearch : public QWidget {
    Q_OBJECT

public:
    static constexpr int kOwnerWatchMilliseconds = 200;
    static constexpr int kScrollStepMilliseconds = 10;
    static constexpr int kClickPauseMilliseconds = 500;

    CWndAutoSearch();
    ~CWndAutoSearch() override;

    // The field it belongs to (placed under it, told of clicks) and the
    // dialog it watches.
    void SetOwner(QWidget* ownerEdit, QWidget* ownerDialog);
    QWidget* GetOwnerEdit() const { return m_ownerEdit; }
    // Replaces the timers' clock (not owned); null goes back to Qt's timers.
    void SetClock(CAutoSearchClock* clock);

    CAutoSearchModel& GetModel() { return m_model; }
    const CAutoSearchModel& GetModel() const { return m_model; }

    // Shows the suggestions after start (-1: all) that begin with text: -1
    // and hidden without an owner or with fewer suggestions than start; 1
    // and hidden when none passes; else 0, shown at the owner's bottom-left
    // corner with its width (or with the size the user gave it).
    int ShowFiltered(int64_t start, const std::wstring& text);
    void HidePopup();

    // The pop-up's keys (AutoSearchModel.h); the list scrolls to the new
    // selection, row by row for short lists.
    std::wstring MoveSelection(CAutoSearchModel::Key key);
    CAutoSearchModel::Navigation Navigate(CAutoSearchModel::Key key);
    // Brings row into view; false when it was visible already.
    bool ScrollTo(int row, bool smooth);

    int GetRowHeight() const { return m_rowHeight; }
    QScrollBar* GetScrollBar() const { return m_scrollBar; }
    // The size the user gave the pop-up with its size grip (empty: none).
    QSize GetUserSize() const { return m_userSize; }
    // The smallest size the size grip allows.
    QSize GetMinimumTrackSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QRect OwnerDialogRect() const;
    QRect ClientRect() const;
    QRect GripRect() const;
    void UpdateLayout();
    void OnWatchTick();
    void StopScrolling();
    void ScrollOneStep(int target);
    void OnClickRow(int row);
    void DrawGrip(QPainter& painter, const QRect& grip) const;

    CAutoSearchModel m_model;
    QWidget* m_ownerEdit = nullptr;
    QWidget* m_ownerDialog = nullptr;
    QScrollBar* m_scrollBar;
    std::unique_ptr<CAutoSearchClock> m_ownClock;
    CAutoSearchClock* m_clock;
    int m_rowHeight = 16;
    QSize m_userSize;
    QRect m_ownerRect;
    int m_watchTimer = 0;
    int m_scrollTimer = 0;
    int m_hideTimer = 0;
    bool m_sizing = false;
    QPoint m_sizingStart;
    QSize m_sizingStartSize;
    int64_t m_clickedId = 0;
};
