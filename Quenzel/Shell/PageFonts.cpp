#include "Quenzel/Shell/PageFonts.h"

#include <iterator>

#include "Pendrel/Platform/KVXFontColorDialog.h"
#include "Quenzel/App/QuenzelApp.h"
#include "Quenzel/Shell/FontColorCtrl.h"

namespace {

constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE;
constexpr DWORD kEdit = WS_CHILD | WS_VISIBLE | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kSwatch = WS_CHILD | WS_VISIBLE | WS_BORDER;

const KVXDialogControl kControls[] = {
    {IDC_PAGE_LABEL, WC_STATIC, L"Normal font:", 10, 14, 60, 10, kLabel},
    {IDC_FONTS_NORMAL_TEXT, WC_EDIT, L"", 72, 12, 200, 13, kEdit},
    {IDC_FONTS_NORMAL_BUTTON, WC_BUTTON, L"...", 278, 12, 22, 13, kButton},
    {IDC_PAGE_LABEL, WC_STATIC, L"Left font:", 10, 34, 60, 10, kLabel},
    {IDC_FONTS_LEFT_TEXT, WC_EDIT, L"", 72, 32, 200, 13, kEdit},
    {IDC_FONTS_LEFT_BUTTON, WC_BUTTON, L"...", 278, 32, 22, 13, kButton},
    {IDC_PAGE_LABEL, WC_STATIC, L"Right font:", 10, 54, 60, 10, kLabel},
    {IDC_FONTS_RIGHT_TEXT, WC_EDIT, L"", 72, 52, 200, 13, kEdit},
    {IDC_FONTS_RIGHT_BUTTON, WC_BUTTON, L"...", 278, 52, 22, 13, kButton},
    {IDC_PAGE_LABEL, WC_STATIC, L"Normal:", 10, 84, 60, 10, kLabel},
    {IDC_FONTS_NORMAL_COLOR, L"FontColorCtrl", L"", 72, 82, 40, 13, kSwatch},
    {IDC_FONTS_NORMAL_COLOR_BUTTON, WC_BUTTON, L"...", 118, 82, 22, 13, kButton},
    {IDC_PAGE_LABEL, WC_STATIC, L"Known:", 10, 104, 60, 10, kLabel},
    {IDC_FONTS_KNOWN_COLOR, L"FontColorCtrl", L"", 72, 102, 40, 13, kSwatch},
    {IDC_FONTS_KNOWN_COLOR_BUTTON, WC_BUTTON, L"...", 118, 102, 22, 13, kButton},
    {IDC_PAGE_LABEL, WC_STATIC, L"Unknown:", 10, 124, 60, 10, kLabel},
    {IDC_FONTS_UNKNOWN_COLOR, L"FontColorCtrl", L"", 72, 122, 40, 13, kSwatch},
    {IDC_FONTS_UNKNOWN_COLOR_BUTTON, WC_BUTTON, L"...", 118, 122, 22, 13, kButton},
};
const KVXDialogTemplate kTemplate = {IDD_PAGE_FONTS, L"", WS_CHILD, 320, 186, 8, L"MS Shell Dlg",
                                     kControls, std::size(kControls)};
const CKVXDialogTemplateRegistration kTemplateRegistration(kTemplate);

const UINT kFontTexts[] = {IDC_FONTS_NORMAL_TEXT, IDC_FONTS_LEFT_TEXT, IDC_FONTS_RIGHT_TEXT};
const UINT kFontButtons[] = {IDC_FONTS_NORMAL_BUTTON, IDC_FONTS_LEFT_BUTTON, IDC_FONTS_RIGHT_BUTTON};
const UINT kSwatches[] = {IDC_FONTS_NORMAL_COLOR, IDC_FONTS_KNOWN_COLOR, IDC_FONTS_UNKNOWN_COLOR};
const UINT kColorButtons[] = {IDC_FONTS_NORMAL_COLOR_BUTTON, IDC_FONTS_KNOWN_COLOR_BUTTON,
                              IDC_FONTS_UNKNOWN_COLOR_BUTTON};

} // namespace

CPageFonts::CPageFonts(const QuenzelServices& services, COptionsDialog* options, QWidget* parent) : COptionsPage(IDD_PAGE_FONTS, services, options, parent) {
    for (CFontColorCtrl*& swatch : m_swatches) {
        swatch = new CFontColorCtrl(this);
        swatch->hide();
    }
}

CBasicString CPageFonts::FormatFont(const LOGFONTW& font) {
    wchar_t face[LF_FACESIZE];
    std::copy(std::begin(font.lfFaceName), std::end(font.lfFaceName), face);
    face[LF_FACESIZE - 1] = L'\0';
    CBasicString text;
    text.Format(L"%s %d", face, static_cast<int>(font.lfWeight));
    return text;
}

BOOL CPageFonts::OnInitDialog() {
    const BOOL result = COptionsPage::OnInitDialog();
    for (int i = 0; i < ColorCount; ++i)
        if (GetDlgItem(kSwatches[i]) != m_swatches[i]) SubclassDlgItem(kSwatches[i], m_swatches[i]);
    if (m_services.options) {
        const COptions& options = *m_services.options;
        options.GetNormalFont(m_fonts[NormalFont]);
        options.GetLeftFont(m_fonts[LeftFont]);
        options.GetRightFont(m_fonts[RightFont]);
        m_swatches[NormalColor]->SetColor(options.GetNormalColor());
        m_swatches[KnownColor]->SetColor(options.GetKnownColor());
        m_swatches[UnknownColor]->SetColor(options.GetUnknownColor());
    }
    for (int i = 0; i < FontCount; ++i) ShowFont(static_cast<FontKind>(i));
    return result;
}

void CPageFonts::OnCommand(UINT id) {
    for (int i = 0; i < FontCount; ++i)
        if (kFontButtons[i] == id) return ChooseFont(static_cast<FontKind>(i));
    for (int i = 0; i < ColorCount; ++i)
        if (kColorButtons[i] == id) return ChooseColor(static_cast<ColorKind>(i));
    COptionsPage::OnCommand(id);
}

COLORREF CPageFonts::GetColor(ColorKind kind) const { return m_swatches[kind]->GetColor(); }

void CPageFonts::ChooseFont(FontKind kind) {
    LOGFONTW font = m_fonts[kind];
    if (!KVXChooseFont(this, font)) return;
    m_fonts[kind] = font;
    ShowFont(kind);
}

void CPageFonts::ChooseColor(ColorKind kind) {
    COLORREF color = m_swatches[kind]->GetColor();
    if (!KVXChooseColor(this, color)) return;
    m_swatches[kind]->SetColor(color);
}

void CPageFonts::ShowFont(FontKind kind) { SetDlgItemText(kFontTexts[kind], FormatFont(m_fonts[kind]).GetString()); }

void CPageFonts::Apply() {
    if (!m_services.options) return;
    COptions& options = *m_services.options;
    options.SetNormalFont(m_fonts[NormalFont]);
    options.SetLeftFont(m_fonts[LeftFont]);
    options.SetRightFont(m_fonts[RightFont]);
    options.SetNormalColor(GetColor(NormalColor));
    options.SetKnownColor(GetColor(KnownColor));
    options.SetUnknownColor(GetColor(UnknownColor));
    options.Save();
}
