#pragma once
// Dialog templates as data: a dialog's id, caption, style, client size in
// dialog units, font, and its controls. A module registers its templates
// at start-up with one registration object each; CKVXDialog (KVXDialog.h)
// finds a template by id and builds it.
//
//   const KVXDialogControl kWaitControls[] = {
//       {2012, WC_STATIC, L"", 7, 7, 354, 8, WS_CHILD | WS_VISIBLE},
//       {2, WC_BUTTON, L"Cancel", 311, 71, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
//   };
//   const KVXDialogTemplate kWait = {508, L"Please wait...", WS_POPUP | WS_CAPTION, 368, 92,
//                                    8, L"MS Shell Dlg", kWaitControls, std::size(kWaitControls)};
//   const CKVXDialogTemplateRegistration kWaitRegistration(kWait);
//
// Dialog units map to pixels with fixed base units, 6 x 13 pixels per 4 x 8
// units, whatever the font, so a template gives the same geometry on every
// machine: x and widths times 6 / 4, y and heights times 13 / 8, each edge
// rounded to the nearest pixel (halves away from zero).
//
// Styles are the windows' styles: a control is shown only with
// WS_VISIBLE; WS_DISABLED disables it; WS_TABSTOP lets Tab reach it. A
// template with WS_CHILD is a page placed inside another window; one with
// WS_THICKFRAME can be resized; any other keeps its size.

#include <cstddef>

#include "Pendrel/PendrelApi.h"
#include "compat/WinUser.h"

struct KVXDialogControl {
    UINT id;
    const wchar_t* className;  // WC_BUTTON, WC_STATIC, ... (any other name: an empty placeholder)
    const wchar_t* text;
    short x, y, cx, cy;        // dialog units
    DWORD style;
};

struct KVXDialogTemplate {
    UINT id;
    const wchar_t* caption;
    DWORD style;
    short cx, cy;              // client size in dialog units
    WORD pointSize;
    const wchar_t* fontName;
    const KVXDialogControl* controls;
    size_t controlCount;
};

// Pixels of a horizontal and of a vertical length or position in dialog
// units.
PENDREL_API int KVXDialogUnitsToPixelsX(int units);
PENDREL_API int KVXDialogUnitsToPixelsY(int units);
// The rectangle in pixels of a rectangle in dialog units (MapDialogRect).
PENDREL_API RECT KVXMapDialogRect(const RECT& units);

PENDREL_API void KVXRegisterDialogTemplate(const KVXDialogTemplate* dialogTemplate);
PENDREL_API void KVXUnregisterDialogTemplate(const KVXDialogTemplate* dialogTemplate);
// The template registered last under id; null when there is none.
PENDREL_API const KVXDialogTemplate* KVXFindDialogTemplate(UINT id);

class CKVXDialogTemplateRegistration {
public:
    explicit CKVXDialogTemplateRegistration(const KVXDialogTemplate& dialogTemplate) : m_template(&dialogTemplate) {
        KVXRegisterDialogTemplate(m_template);
    }
    ~CKVXDialogTemplateRegistration() { KVXUnregisterDialogTemplate(m_template); }
    CKVXDialogTemplateRegistration(const CKVXDialogTemplateRegistration&) = delete;
    CKVXDialogTemplateRegistration& operator=(const CKVXDialogTemplateRegistration&) = delete;

private:
    const KVXDialogTemplate* m_template;
};
