#include "base/preferences.h"

#include <algorithm>
#include <cmath>

namespace {

// A rectangle in 64-bit edges (right and bottom exclusive): a stored place
// may be anywhere in int's range, and so may its far edges.
struct Area {
    qint64 left, top, right, bottom;
    bool isEmpty() const { return left >= right || top >= bottom; }
    qint64 size() const { return isEmpty() ? 0 : (right - left) * (bottom - top); }
    Area intersected(const Area& o) const
    {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right), std::min(bottom, o.bottom)};
    }
};

Area areaOf(const QRect& r)
{
    return {r.left(), r.top(), qint64(r.left()) + r.width(), qint64(r.top()) + r.height()};
}

// Whether every part of `window` lies on one screen or another, so that a
// window across two screens side by side may stay.
bool coveredBy(const Area& window, const QList<QRect>& screens)
{
    QList<Area> uncovered{window};
    for (const QRect& screen : screens) {
        const Area s = areaOf(screen);
        QList<Area> rest;
        for (const Area& a : std::as_const(uncovered)) {
            const Area cut = a.intersected(s);
            if (cut.isEmpty()) {
                rest.append(a);
                continue;
            }
            // What lies above, below, left and right of the screen.
            const Area pieces[] = {{a.left, a.top, a.right, cut.top},
                                   {a.left, cut.bottom, a.right, a.bottom},
                                   {a.left, cut.top, cut.left, cut.bottom},
                                   {cut.right, cut.top, a.right, cut.bottom}};
            for (const Area& piece : pieces) {
                if (!piece.isEmpty())
                    rest.append(piece);
            }
        }
        uncovered = rest;
    }
    return uncovered.isEmpty();
}

// The check-box options of line 1 and their 1-based positions, read and
// written from this one table.
struct OnOffFlag {
    int position;
    bool Preferences::*field;
};
constexpr OnOffFlag kOnOffFlags[] = {
    {1, &Preferences::network},     {2, &Preferences::autoMenu},          {3, &Preferences::displayUser},
    {4, &Preferences::leadingZero}, {5, &Preferences::militaryTime},      {6, &Preferences::askBeforeDeleting},
    {7, &Preferences::timeOut},     {8, &Preferences::centerData},        {17, &Preferences::clearColorWhenClearCell},
};

QChar flagAt(const QString& flags, int position)
{
    return position - 1 < flags.size() ? flags[position - 1] : QChar(u'0');
}

bool toInt(const QString& text, int& out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (ok)
        out = v;
    return ok;
}

// Missing positions read as "0"; characters past the last option are kept
// and written back as read, like the unused positions.
QString paddedFlags(const QString& flags, qsizetype size = Preferences::kFlagCount)
{
    QString f = flags;
    while (f.size() < size)
        f.append(u'0');
    return f;
}

} // namespace

bool Preferences::updateIntervalMs(int& ms) const
{
    bool ok = false;
    const qlonglong seconds = updateInterval.trimmed().toLongLong(&ok);
    if (!ok || seconds <= 0)
        return false;
    ms = int(std::min<qlonglong>(seconds, kMaxUpdateSeconds)) * 1000;
    return true;
}

int Preferences::clampedRowHeight() const
{
    return std::clamp(rowHeight, 1, kMaxRowHeight);
}

int Preferences::clampedFontSize() const
{
    return fontSize > 0 ? std::min(fontSize, kMaxFontSize) : Preferences().fontSize;
}

double Preferences::clampedPrintFontSize() const
{
    if (std::isnan(printFontSize))
        return kMinPrintFontSize;
    return std::clamp(printFontSize, kMinPrintFontSize, kMaxPrintFontSize);
}

bool readParmLines(const QStringList& lines, Preferences& p)
{
    // Each line on its own: one that is missing or not a number where one is
    // needed gives its value's default, and the lines after it still apply.
    const Preferences defaults;
    bool complete = true;
    auto line = [&](int n, QString& out, const QString& fallback) {
        if (n > lines.size()) {
            out = fallback;
            complete = false;
            return false;
        }
        out = lines[n - 1];
        return true;
    };
    auto number = [&](int n, int& target, int fallback) {
        QString text;
        if (line(n, text, {}) && toInt(text, target))
            return;
        target = fallback;
        complete = false;
    };

    QString text;
    line(1, text, defaults.flagText);
    p.flagText = paddedFlags(text);
    const QString& f = p.flagText;
    // "1" switches an option on; anything else leaves it as the form has it.
    for (const OnOffFlag& flag : kOnOffFlags)
        if (flagAt(f, flag.position) == u'1')
            p.*flag.field = true;
    if (const QChar c = flagAt(f, 9); c >= u'1' && c <= u'3')
        p.gridLines = c.unicode() - u'0';
    if (const QChar c = flagAt(f, 10); c >= u'1' && c <= u'3')
        p.backup = c.unicode() - u'0';
    p.portrait = flagAt(f, 11) == u'1';
    p.bold = flagAt(f, 16) == u'1';

    line(2, p.updateInterval, defaults.updateInterval);
    number(3, p.rowHeight, defaults.rowHeight);
    line(4, p.fontName, defaults.fontName);
    number(5, p.fontSize, defaults.fontSize);
    number(6, p.fontColor, defaults.fontColor);
    number(8, p.width, defaults.width);
    number(9, p.height, defaults.height);
    number(10, p.top, defaults.top);
    number(11, p.left, defaults.left);
    if (line(12, text, {}) && text.size() >= 2)
        p.title = text;
    line(13, p.backupComputer, defaults.backupComputer);
    bool ok = false;
    const double size = line(14, text, {}) ? text.trimmed().toDouble(&ok) : 0;
    p.printFontSize = ok ? size : defaults.printFontSize;
    complete = complete && ok;
    return complete;
}

WindowPlacement placeWindow(const Preferences& p, const QList<QRect>& screens, const QSize& minimum)
{
    WindowPlacement out;
    out.width = p.width;
    out.height = p.height;
    out.top = p.top;
    out.left = p.left;

    QList<QRect> usable;
    QRect desktop;
    for (const QRect& s : screens) {
        if (s.isValid()) {
            usable.append(s);
            desktop = desktop.united(s);
        }
    }
    const int minWidth = std::max(1, minimum.width());
    const int minHeight = std::max(1, minimum.height());
    if (usable.isEmpty()) {
        out.placed = QRect(0, 0, minWidth, minHeight);
        return out;
    }
    const int w = std::max(minWidth, std::min(p.width, desktop.width()));
    const int h = std::max(minHeight, std::min(p.height, desktop.height()));

    const qint64 left = p.left;
    const qint64 top = p.top;
    const Area wanted{left, top, left + w, top + h};
    if (coveredBy(wanted, usable)) {
        out.placed = QRect(p.left, p.top, w, h);
        return out;
    }

    // A place kept by another workstation or for other screens: the whole
    // window goes onto the screen it stands on most, or the nearest one,
    // shrunk to that screen where it is larger.
    auto distance = [&](const QRect& s) {
        const qint64 dx = std::max({qint64(s.left()) - left, qint64(0), left - s.right()});
        const qint64 dy = std::max({qint64(s.top()) - top, qint64(0), top - s.bottom()});
        return dx + dy;
    };
    auto landsOn = [&](const QRect& a, const QRect& b) {
        const qint64 onA = wanted.intersected(areaOf(a)).size();
        const qint64 onB = wanted.intersected(areaOf(b)).size();
        return onA != onB ? onA > onB : distance(a) < distance(b);
    };
    const QRect screen = *std::min_element(usable.cbegin(), usable.cend(), landsOn);
    // The minimum still wins over a screen smaller than it.
    const int sw = std::max(minWidth, std::min(w, screen.width()));
    const int sh = std::max(minHeight, std::min(h, screen.height()));
    const qint64 x = std::clamp(left, qint64(screen.left()), std::max(qint64(screen.left()), qint64(screen.right()) + 1 - sw));
    const qint64 y = std::clamp(top, qint64(screen.top()), std::max(qint64(screen.top()), qint64(screen.bottom()) + 1 - sh));
    out.placed = QRect(int(x), int(y), sw, sh);
    return out;
}

void rememberWindowGeometry(Preferences& p, const QRect& now, const WindowPlacement& placement)
{
    if (now == placement.placed) {
        p.width = placement.width;
        p.height = placement.height;
        p.top = placement.top;
        p.left = placement.left;
        return;
    }
    p.width = now.width();
    p.height = now.height();
    p.top = now.y();
    p.left = now.x();
}

QStringList parmLines(const Preferences& p)
{
    QString f = paddedFlags(p.flagText);
    auto set = [&](int pos, bool v) { f[pos - 1] = v ? u'1' : u'0'; };
    for (const OnOffFlag& flag : kOnOffFlags)
        set(flag.position, p.*flag.field);
    f[8] = QChar(u'0' + std::clamp(p.gridLines, 1, 3));
    f[9] = QChar(u'0' + std::clamp(p.backup, 1, 3));
    set(11, p.portrait);
    set(16, exactlyBold(p));

    return {
        f,
        p.updateInterval,
        QString::number(p.rowHeight),
        p.fontName,
        QString::number(p.fontSize),
        QString::number(p.fontColor),
        QString::number(p.fixedColor),
        QString::number(p.width),
        QString::number(p.height),
        QString::number(p.top),
        QString::number(p.left),
        p.title.isEmpty() ? QStringLiteral("RYX Scheduling") : p.title,
        p.backupComputer,
        QString::number(p.printFontSize),
    };
}

QStringList mergeParmLines(const QStringList& base, const QStringList& mine, const QStringList& current)
{
    QStringList out = mine;
    for (qsizetype i = 0; i < mine.size(); ++i) {
        const QString b = i < base.size() ? base[i] : QString();
        if (i >= current.size())
            continue;
        if (i == 0) {
            const qsizetype size = std::max({qsizetype(Preferences::kFlagCount), b.size(), mine[0].size(),
                                             current[0].size()});
            const QString bf = paddedFlags(b, size);
            const QString cf = paddedFlags(current[0], size);
            QString merged = paddedFlags(mine[0], size);
            for (qsizetype j = 0; j < size; ++j)
                if (merged[j] == bf[j])
                    merged[j] = cf[j];
            out[0] = merged;
        } else if (mine[i] == b) {
            out[i] = current[i];
        }
    }
    return out;
}

int privilegeLevel(const QStringList& lines, const QString& logon)
{
    int level = Privilege::None;
    for (const QString& l : lines)
        if (l.contains(QStringLiteral("All")) || l.contains(QStringLiteral("all")))
            level = Privilege::All;
    if (logon.isEmpty())
        return level;
    for (const QString& l : lines) {
        if (!l.contains(logon))
            continue;
        if (l.contains(QStringLiteral("[0]")))
            return Privilege::None;
        if (l.contains(QStringLiteral("[1]")))
            return Privilege::Update;
        if (l.contains(QStringLiteral("[2]")))
            return Privilege::All;
    }
    return level;
}
