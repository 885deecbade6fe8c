#pragma once
// CPageFonts: the options page with the three fonts ("Normal font:", "Left
// font:", "Right font:") and the three colours ("Normal:", "Known:",
// "Unknown:") of the word lists. The page works on its own copies; Save
// stores them in the settings and writes every setting.

#include "Quenzel/Shell/OptionsPage.h"
#include "compat/WinTypes.h"
#include "utility/BasicString.h"

class CFontColorCtrl;

constexpr UINT IDD_PAGE_FONTS = 536;
constexpr UINT IDC_FONTS_NORMAL_TEXT = 11089;
constexpr UINT IDC_FONTS_LEFT_TEXT = 11090;
constexpr UINT IDC_FONTS_RIGHT_TEXT = 11091;
constexpr UINT IDC_FONTS_NORMAL_COLOR = 11092;
constexpr UINT IDC_FONTS_KNOWN_COLOR = 11093;
constexpr UINT IDC_FONTS_UNKNOWN_COLOR = 11094;
constexpr UINT IDC_FONTS_NORMAL_BUTTON = 11073;
constexpr UINT IDC_FONTS_LEFT_BUTTON = 11075;
constexpr UINT IDC_FONTS_RIGHT_BUTTON = 11074;
constexpr UINT IDC_FONTS_NORMAL_COLOR_BUTTON = 11058;
constexpr UINT IDC_FONTS_KNOWN_COLOR_BUTTON = 11060;
constexpr UINT IDC_FONTS_UNKNOWN_COLOR_BUTTON = 11059;

class CPageFonts : public COptionsPage {
    Q_OBJECT

public:
    enum FontKind { NormalFont = 0, LeftFont, RightFont, FontCount };
    enum ColorKind { NormalColor = 0, KnownColor, UnknownColor, ColorCount };

    CPageFonts(const QuenzelServices& services, COptionsDialog* options, QWidget* parent);

    // A font as the page shows it: "<face name> <weight>".
    static CBasicString FormatFont(const LOGFONTW& font);

    const LOGFONTW& GetFont(FontKind kind) const { return m_fonts[kind]; }
    COLORREF GetColor(ColorKind kind) const;
    // The font or colour dialog for one of them; on OK the page shows the
    // choice.
    void ChooseFont(FontKind kind);
    void ChooseColor(ColorKind kind);
    // Stores the fonts and colours in the settings and writes all settings.
    void Apply();

protected:
    BOOL OnInitDialog() override;
    void OnCommand(UINT id) override;

private:
    void ShowFont(FontKind kind);

    LOGFONTW m_fonts[FontCount]{};
    CFontColorCtrl* m_swatches[ColorCount];
};
