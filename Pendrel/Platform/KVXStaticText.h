#pragma once
// The text static of dialog templates: its window text drawn with the
// rules of DrawText (KVXDrawText.h), so that '&' prefixes and alignment
// read as in the template: SS_LEFT, SS_CENTER or SS_RIGHT, words wrapped,
// SS_NOPREFIX for a literal '&'. Disabled text is grey (COLOR_GRAYTEXT).

#include <QLabel>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

class PENDREL_API CKVXStaticText : public QLabel {
    Q_OBJECT

public:
    CKVXStaticText(const QString& text, DWORD style, QWidget* parent = nullptr);

    // The DT_* flags the text is drawn with.
    UINT GetTextFormat() const { return m_format; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    UINT m_format;
};
