#include "widgets/boardstyle.h"

#include <QFontDatabase>
#include <QList>
#include <QWidget>

#include <algorithm>

namespace BoardStyle {

QPalette palette(const QPalette& base, Look look)
{
    QPalette p = base;
    switch (look) {
    case Look::Board: p.setColor(QPalette::Window, QColor(kBoard)); break;
    case Look::ButtonBarEdge: p.setColor(QPalette::Window, QColor(kButtonBarEdge)); break;
    case Look::HelpPanel: p.setColor(QPalette::Window, QColor(kHelpPanel)); break;
    case Look::HelpNote:
        p.setColor(QPalette::Window, QColor(kPaleCell));
        p.setColor(QPalette::WindowText, QColor(kNavy));
        break;
    case Look::NavyCaption: p.setColor(QPalette::WindowText, QColor(kNavy)); break;
    case Look::NavyText: p.setColor(QPalette::Text, QColor(kNavy)); break;
    case Look::PaleCells:
        p.setColor(QPalette::Base, QColor(kPaleCell));
        p.setColor(QPalette::Text, QColor(kNavy));
        break;
    case Look::WhiteCells: p.setColor(QPalette::Base, QColor(kCell)); break;
    case Look::NavyButton:
        p.setColor(QPalette::ButtonText, QColor(kNavy));
        p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(kGreyedText));
        break;
    }
    return p;
}

void apply(QWidget* w, Look look)
{
    switch (look) {
    case Look::Board:
    case Look::ButtonBarEdge:
    case Look::HelpPanel:
    case Look::HelpNote: w->setAutoFillBackground(true); break;
    default: break;
    }
    w->setPalette(palette(w->palette(), look));
}

QFont pixelFont(const QFont& base, int pixels)
{
    QFont f = base;
    f.setPixelSize(pixels);
    return f;
}

namespace {

// The faces fontconfig puts in the place of the Windows fonts a board names
// or a user picks: metric-compatible where there are such, and Verdana's the
// preferred sans-serif of a default configuration.
struct StandIns
{
    QString family;
    QStringList faces;
};

const QList<StandIns>& standIns()
{
    static const QList<StandIns> table{
        {QStringLiteral("Verdana"), {QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}},
        {QStringLiteral("Times New Roman"), {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos")}},
        {QStringLiteral("Courier New"), {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")}},
    };
    return table;
}

} // namespace

QString installedFamily(const QString& family)
{
    const auto known = std::find_if(standIns().cbegin(), standIns().cend(), [&](const StandIns& s) {
        return s.family.compare(family, Qt::CaseInsensitive) == 0;
    });
    if (known == standIns().cend())
        return family;
    const QStringList installed = QFontDatabase::families();
    if (installed.contains(family, Qt::CaseInsensitive))
        return family;
    for (const QString& face : known->faces) {
        if (installed.contains(face, Qt::CaseInsensitive))
            return face;
    }
    return family;
}

QString storedFamily(const QString& picked)
{
    for (const StandIns& s : standIns()) {
        if (s.faces.contains(picked, Qt::CaseInsensitive)
            && installedFamily(s.family).compare(picked, Qt::CaseInsensitive) == 0)
            return s.family;
    }
    return picked;
}

QFont trayFont()
{
    QFont f(installedFamily(QStringLiteral("Arial")));
    f.setPixelSize(11);
    return f;
}

} // namespace BoardStyle
