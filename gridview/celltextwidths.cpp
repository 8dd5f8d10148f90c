#include "gridview/celltextwidths.h"

#include "grid/printlayout.h"

CellTextWidths::CellTextWidths(const QFont& font) : m_metrics(font), m_exact(font)
{
}

void CellTextWidths::setFont(const QFont& font)
{
    m_metrics = QFontMetrics(font);
    m_exact = QFontMetricsF(font);
    m_shaped.clear();
    m_advances.clear();
}

int CellTextWidths::shapedWidth(QStringView view)
{
    const QString text = view.toString();
    auto it = m_shaped.constFind(text);
    if (it != m_shaped.constEnd())
        return *it;
    // Schedules repeat their texts a lot; the cache only needs a bound.
    if (m_shaped.size() > 8192)
        m_shaped.clear();
    const int width = m_metrics.horizontalAdvance(text);
    m_shaped.insert(text, width);
    return width;
}

int CellTextWidths::latinWidth(QStringView text)
{
    // With kerning off, a Latin text is as wide as its characters' advances
    // added up, and adding them up is far cheaper than shaping the thousands
    // of texts of a full board. Anything else (marks, other scripts) is shaped.
    // Control characters take the advance they are drawn with too: shaping
    // every such cell of a full file would freeze the board.
    // Latin letters and marks below U+0300, then punctuation, currency and
    // letterlike symbols from U+2000 to U+21FF.
    constexpr char16_t kLatinEnd = 0x300, kSymbolsStart = 0x2000, kSymbolsEnd = 0x2200;
    if (m_advances.isEmpty())
        m_advances.fill(-1, kLatinEnd + (kSymbolsEnd - kSymbolsStart));
    // Taken once: a million cells of a full file add up tens of millions
    // of advances here.
    qreal* const advances = m_advances.data();
    qreal sum = 0;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // Most characters of most cells: a Latin one already measured.
        if (u < kLatinEnd && advances[u] >= 0) {
            sum += advances[u];
            continue;
        }
        if (!(u < kLatinEnd || (u >= kSymbolsStart && u < kSymbolsEnd)))
            return -1;
        qreal& advance = advances[u < kLatinEnd ? u : kLatinEnd + (u - kSymbolsStart)];
        if (advance < 0) {
            // A cell is drawn on one line without tab stops: a tab is as wide
            // as its own glyph, a soft hyphen shows only where a line breaks
            // and a form feed not at all.
            advance = (u == u'\u00AD' || u == u'\f') ? 0 : m_exact.horizontalAdvance(c);
        }
        sum += advance;
    }
    return qRound(sum);
}

int CellTextWidths::width(QStringView text, int cap)
{
    if (text.size() <= PrintLayout::kWholeMeasured) {
        const int latin = latinWidth(text);
        return latin >= 0 ? latin : shapedWidth(text);
    }
    // Long texts are measured up to the cap only, never kept.
    return PrintLayout::shownWidth(text, cap, [&](QStringView s) {
        const int latin = latinWidth(s);
        return latin >= 0 ? latin : m_metrics.horizontalAdvance(s.toString());
    });
}
