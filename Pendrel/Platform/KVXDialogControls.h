#pragma once
// The controls of dialog templates and what every control has: its id and
// its window text.
//
// KVXCreateControl makes the Qt widget of a template control, placed in
// pixels (KVXDialogTemplate.h) inside the parent:
//
//   class          style                                   widget
//   Button         BS_GROUPBOX                             QGroupBox
//                  BS_(AUTO)CHECKBOX, BS_(AUTO)3STATE      QCheckBox (tristate for 3STATE)
//                  BS_(AUTO)RADIOBUTTON                    QRadioButton
//                  any other (push button)                 QPushButton (default with BS_DEFPUSHBUTTON)
//   Static         SS_ETCHEDHORZ, SS_ETCHEDVERT, SS_ETCHEDFRAME   QFrame line or box
//                  SS_ICON, SS_BITMAP                      empty QLabel
//                  text                                    CKVXStaticText
//   Edit           ES_MULTILINE                            QPlainTextEdit, else QLineEdit
//                  (ES_PASSWORD, ES_READONLY, ES_NUMBER, ES_CENTER, ES_RIGHT apply)
//   ComboBox       CBS_DROPDOWNLIST: fixed list, else editable     QComboBox
//   ListBox                                                QListWidget
//   SysListView32, SysTreeView32                           QTreeWidget
//   SysTabControl32                                        QTabWidget
//   msctls_progress32                                      QProgressBar
//   msctls_trackbar32                                      QSlider
//   any other                                              an empty QWidget placeholder
//
// (class names without regard to case). Push buttons never press on Enter
// unless focused and default.
//
// The window text is the widget's own text: a button's or label's text, an
// edit's content (lines of a multi-line edit end with CR LF), a combo box's
// current text, a group box's title, a top-level window's caption, and for
// other widgets a text kept with the widget.

#include "Pendrel/PendrelApi.h"
#include "Pendrel/Platform/KVXDialogTemplate.h"
#include "utility/BasicString.h"

class QWidget;

PENDREL_API QWidget* KVXCreateControl(const KVXDialogControl& control, QWidget* parent);

// The control id (0 when none was given).
PENDREL_API void KVXSetDlgCtrlID(QWidget* control, UINT id);
PENDREL_API UINT KVXGetDlgCtrlID(const QWidget* control);

PENDREL_API void KVXSetWindowText(QWidget* window, const wchar_t* text);
PENDREL_API CBasicString KVXGetWindowText(const QWidget* window);
