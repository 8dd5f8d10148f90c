#include "grid/textorder.h"

#include <QList>

#include <algorithm>
#include <iterator>
#include <numeric>

namespace TextOrder {

namespace {

struct Weights {
    char16_t ch;
    struct {
        quint16 primary;
        quint16 secondary;
    } elements[3];
};

// Sorted by character.
constexpr Weights kTable[] = {
#include "grid/textordertable.inc"
};

static_assert(std::is_sorted(std::begin(kTable), std::end(kTable),
                             [](const Weights& a, const Weights& b) { return a.ch < b.ch; }));

const Weights* weightsOf(char16_t ch)
{
    const auto it = std::lower_bound(std::begin(kTable), std::end(kTable), ch,
                                     [](const Weights& w, char16_t c) { return w.ch < c; });
    return it != std::end(kTable) && it->ch == ch ? it : nullptr;
}

void append16(QByteArray& key, quint16 value)
{
    key.append(char(value >> 8));
    key.append(char(value & 0xFF));
}

// Above every rank of the table.
constexpr quint16 kUnknownPrimary = 0xFFFF;
constexpr quint16 kCommonSecondary = 1;

} // namespace

QByteArray sortKey(const QString& text)
{
    // Folding first: the table's weights are those of folded characters.
    const QString folded = text.toCaseFolded();
    QByteArray primary;
    QByteArray secondary;
    primary.reserve(folded.size() * 2 + 2);
    secondary.reserve(folded.size() * 2);
    for (const QChar c : folded) {
        const Weights* w = weightsOf(c.unicode());
        if (!w) {
            append16(primary, kUnknownPrimary);
            append16(primary, c.unicode());
            append16(secondary, kCommonSecondary);
            continue;
        }
        for (const auto& e : w->elements) {
            if (e.primary)
                append16(primary, e.primary);
            if (e.secondary)
                append16(secondary, e.secondary);
        }
    }
    // Ranks start at 1, so the zero separator makes a text sort before the
    // texts it begins, and accents count only between equal letters.
    append16(primary, 0);
    return primary + secondary;
}

int compare(const QString& a, const QString& b)
{
    const QByteArray ka = sortKey(a);
    const QByteArray kb = sortKey(b);
    return ka < kb ? -1 : (kb < ka ? 1 : 0);
}

void sort(QStringList& texts)
{
    QList<QByteArray> keys;
    keys.reserve(texts.size());
    for (const QString& t : std::as_const(texts))
        keys.append(sortKey(t));
    QList<qsizetype> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](qsizetype a, qsizetype b) { return keys.at(a) < keys.at(b); });
    QStringList sorted;
    sorted.reserve(texts.size());
    for (const qsizetype i : std::as_const(order))
        sorted.append(texts.at(i));
    texts = std::move(sorted);
}

} // namespace TextOrder
