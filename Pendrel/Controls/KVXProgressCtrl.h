#pragma once
// The busy bar: instead of a fraction done, a soft group of progress
// chunks glides back and forth across the bar while work runs
// (BusyBarGlide.h has the motion and the weights). It is drawn in classic
// system colours: the button face, two sunken frames, and chunks of the
// selection colour mixed into the face by their weights.
//
// Start(period) moves the bar one pixel every period / 2 milliseconds
// (timer 1); Stop halts it, frees the weight table and puts the position
// back to 0. A frame is painted off-screen into a picture one chunk wider
// than the control, whose spare column holds the chunk that every blend
// takes; no blend writes outside the bar's content.

#include <QImage>
#include <QWidget>

#include "Pendrel/Core/BusyBarGlide.h"
#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXWnd.h"
#include "compat/WinUser.h"

class PENDREL_API CKVXProgressCtrl : public CKVXWnd<QWidget> {
public:
    static constexpr UINT kControlId = 0xFFFF;

    explicit CKVXProgressCtrl(QWidget* parent = nullptr);
    ~CKVXProgressCtrl() override;

    // Places the control in the parent at the rectangle with the style's
    // visibility, the window text "WaitForCtrl" and the control id 0xFFFF.
    BOOL Create(DWORD style, const RECT& rect, QWidget* parent);
    void Start(int period);
    void Stop();
    bool IsStarted() const { return m_timerId != 0; }

    // The frame the control paints at a client size (the glide's bar width
    // and weight table follow it, as at every paint).
    QImage PaintFrame(QSize clientSize);
    const CBusyBarGlide& Glide() const { return m_glide; }

protected:
    void OnTimer(UINT_PTR id) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // The bar's content within the client rectangle: 2 pixels in on every
    // side (the frames).
    static QRect ContentRect(const QRect& client);
    // Mixes the spare column's chunk (source) into the frame at target with
    // the weight; only the part inside limit changes.
    void BlendTick(QImage& frame, const QRect& source, QPoint target, int weight, const QRect& limit);

    UINT_PTR m_timerId = 0;
    CBusyBarGlide m_glide;
};
