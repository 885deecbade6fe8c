#include "Pendrel/Core/HyperlinkLayout.h"

#include <cwchar>
#include <iterator>

#include "Pendrel/Core/BasicNamedColors.h"
#include "utility/UnicodeCase.h"

namespace {

constexpr wchar_t kEscape = 0x0001;
constexpr int kFirstEntityCode = 2;

struct CharEntity {
    const wchar_t* name;
    wchar_t character;
};

// In this order: "&amp;" first, so "&amp;lt;" shows "&lt;".
const CharEntity kCharEntities[] = {
    {L"&amp;", L'&'},     {L"&bull;", 0x2022}, {L"&copy;", 0x00A9}, {L"&euro;", 0x20AC}, {L"&gt;", L'>'},
    {L"&iquest;", 0x00BF}, {L"&lt;", L'<'},    {L"&nbsp;", L' '},   {L"&para;", 0x00B6}, {L"&pound;", 0x00A3},
    {L"&quot;", L'"'},    {L"&reg;", 0x00AE},  {L"&trade;", 0x2122},
};

const wchar_t kCrLf[] = L"\r\n";

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t';
}

bool StartsWithNoCase(const std::wstring& text, size_t position, const wchar_t* prefix) {
    const size_t length = std::wcslen(prefix);
    return position + length <= text.size() && CompareTextNoCaseN(text.c_str() + position, prefix, length) == 0;
}

// A decimal integer as the C runtime reads one: blanks, a sign, digits.
int ReadDecimal(const std::wstring& text, size_t position = 0) {
    while (position < text.size() && IsBlank(text[position])) ++position;
    bool negative = false;
    if (position < text.size() && (text[position] == L'+' || text[position] == L'-'))
        negative = text[position++] == L'-';
    long long value = 0;
    for (; position < text.size() && text[position] >= L'0' && text[position] <= L'9'; ++position)
        if (value < 100000000) value = value * 10 + (text[position] - L'0');
    return static_cast<int>(negative ? -value : value);
}

// One unit larger (grow) or smaller in magnitude, for negative character
// heights and positive cell heights alike.
void StepHeight(LOGFONTW& font, bool grow) {
    const bool negative = font.lfHeight <= 0;
    font.lfHeight += (negative == grow) ? -1 : 1;
}

void SetFace(LOGFONTW& font, const std::wstring& face) {
    size_t i = 0;
    for (; i + 1 < LF_FACESIZE && i < face.size(); ++i) font.lfFaceName[i] = face[i];
    font.lfFaceName[i] = 0;
}

// The value of an address: between the double quotes when it starts with
// one, else the whole text less blanks; entities stay as written.
std::wstring AddressValue(const std::wstring& raw) {
    size_t begin = 0;
    size_t end = raw.size();
    while (begin < end && IsBlank(raw[begin])) ++begin;
    while (end > begin && IsBlank(raw[end - 1])) --end;
    std::wstring value = raw.substr(begin, end - begin);
    if (!value.empty() && value[0] == L'"') {
        const size_t close = value.find(L'"', 1);
        value = value.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1);
    }
    return CHyperlinkLayout::RestoreEntities(value);
}

} // namespace

wchar_t CHyperlinkLayout::GetCharEntity(wchar_t code) {
    const int index = static_cast<int>(code) - kFirstEntityCode;
    if (index < 0 || index >= static_cast<int>(std::size(kCharEntities))) return L' ';
    return kCharEntities[index].character;
}

std::wstring CHyperlinkLayout::EncodeEntities(const std::wstring& text) {
    std::wstring result = text;
    for (size_t i = 0; i < std::size(kCharEntities); ++i) {
        const std::wstring name = kCharEntities[i].name;
        const std::wstring code{kEscape, static_cast<wchar_t>(kFirstEntityCode + i)};
        for (size_t at = result.find(name); at != std::wstring::npos; at = result.find(name, at + code.size()))
            result.replace(at, name.size(), code);
    }
    return result;
}

std::wstring CHyperlinkLayout::RestoreEntities(const std::wstring& text) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kEscape && i + 1 < text.size()) {
            const int index = static_cast<int>(text[i + 1]) - kFirstEntityCode;
            if (index >= 0 && index < static_cast<int>(std::size(kCharEntities))) {
                result += kCharEntities[index].name;
                ++i;
                continue;
            }
        }
        result += text[i];
    }
    return result;
}

void CHyperlinkLayout::Reset() {
    m_underline = m_bold = m_italic = m_center = m_strike = m_subscript = m_superscript = m_rulesPending = 0;
    m_ruleThickness = 2;
    m_insideLink = false;
}

std::wstring CHyperlinkLayout::GetNextWord(const std::wstring& run, size_t& position, bool& endOfLine) const {
    std::wstring word;
    endOfLine = false;
    while (position < run.size()) {
        const wchar_t ch = run[position];
        if (ch == L'\r') {
            ++position;
            continue;
        }
        if (ch == L'\n') {
            ++position;
            word += L' ';
            endOfLine = true;
            break;
        }
        if (ch == kEscape) {
            // An entity never ends a word.
            word += position + 1 < run.size() ? GetCharEntity(run[position + 1]) : L' ';
            position += 2;
            continue;
        }
        word += ch;
        ++position;
        if (IsBlank(ch)) break;
    }
    if (position > run.size()) position = run.size();
    return word;
}

int CHyperlinkLayout::FormatText(const std::wstring& run, int pen, std::vector<Line>& lines) {
    if (m_rect.top >= m_rect.bottom - 1) return 0;
    size_t position = 0;
    if (pen == 0)
        while (position < run.size() && IsBlank(run[position])) ++position;
    const int lineHeight = m_measure->Height();
    int result = pen;
    while (position < run.size()) {
        std::wstring line;
        bool lineEndsSource = false;
        const LONG x = m_rect.left + pen;
        for (;;) {
            const size_t before = position;
            bool endOfLine = false;
            const std::wstring word = GetNextWord(run, position, endOfLine);
            if (word.empty()) break;
            const int width = m_measure->TextWidth(line + word);
            if (width >= m_rect.right - x - 2) {
                if (line.empty()) {
                    line = word;
                    lineEndsSource = endOfLine;
                } else {
                    position = before;
                }
                break;
            }
            line += word;
            lineEndsSource = endOfLine;
            if (endOfLine || position >= run.size()) break;
        }
        if (line.empty()) break;
        const int width = m_measure->TextWidth(line);
        if (m_lineTop <= m_rect.bottom - lineHeight)
            lines.push_back({line, RECT{x, m_lineTop, x + width, m_lineTop + lineHeight}});
        result = static_cast<int>(x + width - m_left);
        pen = 0;
        if (position < run.size() || lineEndsSource) m_lineTop += lineHeight;
    }
    m_rect.top = m_lineTop <= m_rect.bottom - lineHeight ? m_lineTop : m_rect.bottom;
    return result;
}

void CHyperlinkLayout::ReadFontAttributes(const std::wstring& attributes) {
    size_t i = 0;
    while (i < attributes.size()) {
        if (IsBlank(attributes[i])) {
            ++i;
            continue;
        }
        int kind = -1;
        const wchar_t* const names[] = {L"COLOR", L"BGCOLOR", L"FACE", L"SIZE"};
        for (int k = 0; k < 4 && kind < 0; ++k)
            if (StartsWithNoCase(attributes, i, names[k])) kind = k;
        if (kind < 0) {
            while (i < attributes.size() && !IsBlank(attributes[i])) ++i;
            continue;
        }
        const size_t open = attributes.find(L'"', i);
        if (open == std::wstring::npos) return;
        size_t close = attributes.find(L'"', open + 1);
        if (close == std::wstring::npos) close = attributes.size();
        const std::wstring value = RestoreEntities(attributes.substr(open + 1, close - open - 1));
        i = close + 1;
        switch (kind) {
        case 0: m_textColor = CBasicNamedColors(value.c_str()).GetColor(); break;
        case 1: m_backColor = CBasicNamedColors(value.c_str()).GetColor(); break;
        case 2: SetFace(m_font, value); break;
        default:
            m_font.lfHeight -= ReadDecimal(value);
            m_sizeApplied = true;
            break;
        }
    }
}

void CHyperlinkLayout::ReadRuleAttributes(const std::wstring& attributes) {
    size_t i = 0;
    while (i < attributes.size()) {
        if (IsBlank(attributes[i])) {
            ++i;
            continue;
        }
        if (StartsWithNoCase(attributes, i, L"SIZE")) {
            size_t at = i + 4;
            while (at < attributes.size() && IsBlank(attributes[at])) ++at;
            if (at < attributes.size() && attributes[at] == L'=') {
                const int thickness = ReadDecimal(attributes, at + 1);
                // A rule is at least one pixel thick.
                m_ruleThickness = thickness < 1 ? 1 : thickness;
            }
        }
        while (i < attributes.size() && !IsBlank(attributes[i])) ++i;
    }
}

HyperlinkDisplay CHyperlinkLayout::Layout(const std::wstring& source, const RECT& client, int leftMargin,
                                          int rightMargin, const LOGFONTW& base, COLORREF textColor,
                                          COLORREF backColor, CHyperlinkMeasure& measure) {
    HyperlinkDisplay display;
    const std::wstring text = EncodeEntities(source);
    if (text.empty()) return display;
    m_measure = &measure;
    m_textColor = m_savedTextColor = textColor;
    m_backColor = m_savedBackColor = backColor;
    m_rect = client;
    m_rect.left += leftMargin;
    m_rect.right -= rightMargin;
    m_left = m_rect.left;
    m_lineTop = m_rect.top;
    m_font = m_savedFont = base;
    m_sizeApplied = false;
    measure.SelectFont(base);
    m_lastDescent = measure.Descent();
    std::wstring address;
    int pen = 0;

    struct FixedTag {
        const wchar_t* tag;
        int* depth;
        int step;
    };
    const FixedTag counters[] = {
        {L"<B>", &m_bold, 1},           {L"</B>", &m_bold, -1},
        {L"<I>", &m_italic, 1},         {L"</I>", &m_italic, -1},
        {L"<U>", &m_underline, 1},      {L"</U>", &m_underline, -1},
        {L"<CENTER>", &m_center, 1},    {L"</CENTER>", &m_center, -1},
        {L"<STRIKE>", &m_strike, 1},    {L"</STRIKE>", &m_strike, -1},
    };

    size_t position = 0;
    while (position < text.size()) {
        std::wstring run;
        bool handled = false;
        for (const FixedTag& counter : counters) {
            if (StartsWithNoCase(text, position, counter.tag)) {
                *counter.depth += counter.step;
                if (*counter.depth < 0) *counter.depth = 0;
                position += std::wcslen(counter.tag);
                handled = true;
                break;
            }
        }
        if (handled) continue;
        const size_t close = text.find(L'>', position);
        if (StartsWithNoCase(text, position, L"<BIG>") || StartsWithNoCase(text, position, L"</SMALL>")) {
            StepHeight(m_font, true);
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"</BIG>") || StartsWithNoCase(text, position, L"<SMALL>")) {
            StepHeight(m_font, false);
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"<SUB>") || StartsWithNoCase(text, position, L"</SUB>")) {
            m_subscript += text[position + 1] == L'/' ? -1 : 1;
            if (m_subscript < 0) m_subscript = 0;
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"<SUP>") || StartsWithNoCase(text, position, L"</SUP>")) {
            m_superscript += text[position + 1] == L'/' ? -1 : 1;
            if (m_superscript < 0) m_superscript = 0;
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"<FONT") && close != std::wstring::npos) {
            ReadFontAttributes(text.substr(position + 5, close - position - 5));
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"</FONT>")) {
            m_textColor = m_savedTextColor;
            m_backColor = m_savedBackColor;
            m_font = m_savedFont;
            if (m_sizeApplied) {
                m_lineTop += m_lastDescent;
                m_sizeApplied = false;
            }
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"<CODE>")) {
            SetFace(m_font, L"Courier New");
            m_font.lfPitchAndFamily = 0x01 | 0x30;  // fixed pitch, modern
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"</CODE>")) {
            m_font = m_savedFont;
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"<A HREF=") && close != std::wstring::npos) {
            address = AddressValue(text.substr(position + 8, close - position - 8));
            m_insideLink = true;
            position = close + 1;
            continue;
        }
        if (StartsWithNoCase(text, position, L"</A>")) {
            position += 4;
            m_insideLink = false;
            continue;
        }
        if (StartsWithNoCase(text, position, L"<HR") && close != std::wstring::npos) {
            ReadRuleAttributes(text.substr(position + 3, close - position - 3));
            position = close + 1;
            ++m_rulesPending;
            run = kCrLf;
        } else if (StartsWithNoCase(text, position, L"<BR>")) {
            position += 4;
            run = kCrLf;
        } else {
            const size_t lt = text.find(L'<', position);
            if (lt == std::wstring::npos) {
                run = text.substr(position);
            } else if (lt == position) {
                run = L"<";  // starts no known tag
            } else {
                run = text.substr(position, lt - position);
            }
            position += run.size();
        }

        // Draw the run.
        LOGFONTW font = m_font;
        font.lfWeight = m_bold > 0 ? 700 : 400;
        font.lfItalic = m_italic > 0;
        font.lfUnderline = m_underline > 0;
        font.lfStrikeOut = m_strike > 0;
        measure.SelectFont(font);
        m_lastDescent = measure.Descent();
        const int half = measure.Ascent() / 2;
        int shift = 0;
        if (m_subscript > 0) shift += half;
        if (m_superscript > 0) shift -= half;
        m_rect.top += shift;
        m_lineTop += shift;
        if (m_center > 0) {
            const LONG offset = (m_rect.right - m_left - measure.TextWidth(run)) / 2;
            m_rect.left = m_left + (offset > 0 ? offset : 0);
        }
        std::vector<Line> lines;
        pen = FormatText(run, pen, lines);
        if (run == kCrLf) pen = 0;
        m_rect.left = m_left;
        m_rect.top -= shift;
        m_lineTop -= shift;
        for (const Line& line : lines) {
            display.runs.push_back({line.text, line.box, font, m_textColor, m_backColor});
            if (m_insideLink) display.links.push_back({line.box, address});
        }
        if (m_rulesPending > 0) {
            if (m_lineTop < client.bottom)
                display.rules.push_back({RECT{client.left, m_lineTop, client.right, m_lineTop + m_ruleThickness},
                                         m_textColor});
            m_lineTop += m_ruleThickness;
            m_rect.top += m_ruleThickness;
            pen = 0;
            --m_rulesPending;
        }
    }
    m_measure = nullptr;
    return display;
}
