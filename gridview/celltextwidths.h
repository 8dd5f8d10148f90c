#pragma once

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

// How wide the grid's cells draw their texts in one font, for fitting the
// columns: Latin texts by adding up character advances, others shaped, both
// kept between fittings until the font changes.
class CellTextWidths
{
public:
    explicit CellTextWidths(const QFont& font = QFont());

    // Forgets every kept width.
    void setFont(const QFont& font);
    // The width of `text` as a cell draws it, counted up to `cap` pixels
    // for a text too long to be measured whole.
    int width(QStringView text, int cap);

private:
    int shapedWidth(QStringView text);
    // -1 for a text that must be shaped.
    int latinWidth(QStringView text);

    QFontMetrics m_metrics;
    QFontMetricsF m_exact;
    QHash<QString, int> m_shaped;
    QList<qreal> m_advances;   // by character (see latinWidth); -1 unknown
};
