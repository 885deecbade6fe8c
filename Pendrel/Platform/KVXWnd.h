#pragma once
// A Qt widget class made a window of the framework: CKVXWnd<QDialog>,
// CKVXWnd<QTreeView>, ... It takes the widget class's constructor arguments
// and adds the window procedure, timers by id and the window's existence
// (KVXWndCore.h).
//
//   class CMyPage : public CKVXWnd<QWidget> {
//       LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
//   };

#include <QEvent>

#include <utility>

#include "Pendrel/Platform/KVXWndCore.h"

template <class QtWidget> class CKVXWnd : public QtWidget, public CKVXWndCore {
public:
    template <class... Args>
    explicit CKVXWnd(Args&&... args) : QtWidget(std::forward<Args>(args)...), CKVXWndCore(this) {}

protected:
    bool event(QEvent* event) override { return HandleWindowEvent(event) || QtWidget::event(event); }
};
