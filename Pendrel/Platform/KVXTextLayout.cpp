#include "Pendrel/Platform/KVXTextLayout.h"

#include <algorithm>

namespace {

// The text with its prefixes resolved (or kept, with DT_NOPREFIX).
CKVXTextLayout::Line ResolvePrefixes(const QString& text, bool prefixes) {
    CKVXTextLayout::Line line;
    line.text.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (prefixes && text[i] == u'&') {
            if (++i >= text.size()) break;
            if (text[i] != u'&') line.underline.push_back(static_cast<int>(line.text.size()));
        }
        line.text.append(text[i]);
    }
    return line;
}

// The part [start, end) of a line, with its underlines.
CKVXTextLayout::Line Slice(const CKVXTextLayout::Line& line, int start, int end) {
    CKVXTextLayout::Line part;
    part.text = line.text.mid(start, end - start);
    for (int index : line.underline)
        if (index >= start && index < end) part.underline.push_back(index - start);
    return part;
}

} // namespace

CKVXTextLayout::CKVXTextLayout(const QFontMetrics& metrics, const QString& text, UINT format, int width)
    : m_metrics(metrics), m_format(format), m_lineHeight(metrics.height()) {
    const bool single = (format & DT_SINGLELINE) != 0;
    QString source = text;
    // A single line shows each line break (CR LF, LF or CR) as one space.
    if (single) source.replace(QStringLiteral("\r\n"), QStringLiteral(" ")).replace(u'\r', u' ').replace(u'\n', u' ');
    const Line whole = ResolvePrefixes(source, (format & DT_NOPREFIX) == 0);
    const bool wrap = (format & DT_WORDBREAK) != 0 && width >= 0;
    int start = 0;
    const int size = static_cast<int>(whole.text.size());
    for (int i = 0; i <= size; ++i) {
        const bool end = i == size;
        const bool lineBreak = !end && (whole.text[i] == u'\r' || whole.text[i] == u'\n');
        if (!end && !lineBreak) continue;
        Line paragraph = Slice(whole, start, i);
        AddParagraph(paragraph, wrap, width);
        if (!end && whole.text[i] == u'\r' && i + 1 < size && whole.text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
}

int CKVXTextLayout::Width() const {
    int width = 0;
    for (const Line& line : m_lines) width = std::max(width, line.width);
    return width;
}

void CKVXTextLayout::AddParagraph(const Line& paragraph, bool wrap, int width) {
    if (!wrap) {
        AddLine(paragraph, width);
        return;
    }
    const QString& text = paragraph.text;
    const int size = static_cast<int>(text.size());
    int lineStart = 0;
    int lineEnd = 0;  // end of the line's last word; lineStart while it has none
    int i = 0;
    while (i < size) {
        int wordStart = i;
        while (wordStart < size && text[wordStart] == u' ') ++wordStart;
        if (wordStart == size) break;
        int wordEnd = wordStart;
        while (wordEnd < size && text[wordEnd] != u' ') ++wordEnd;
        if (lineEnd > lineStart && m_metrics.horizontalAdvance(text.mid(lineStart, wordEnd - lineStart)) > width) {
            AddLine(Slice(paragraph, lineStart, lineEnd), width);
            lineStart = wordStart;
        }
        lineEnd = wordEnd;
        i = wordEnd;
    }
    AddLine(Slice(paragraph, lineStart, std::max(lineStart, lineEnd)), width);
}

void CKVXTextLayout::AddLine(Line line, int width) {
    line.width = m_metrics.horizontalAdvance(line.text);
    if ((m_format & DT_END_ELLIPSIS) && width >= 0 && line.width > width) {
        line.text = m_metrics.elidedText(line.text, Qt::ElideRight, width);
        const int kept = static_cast<int>(line.text.size()) - 1;
        std::erase_if(line.underline, [kept](int index) { return index >= kept; });
        line.width = m_metrics.horizontalAdvance(line.text);
    }
    m_lines.push_back(std::move(line));
}
