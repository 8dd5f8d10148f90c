#include "widgets/boardstyle.h"

#include <QFontDatabase>
#include <QHash>
#include <QWidget>

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

QString installedFamily(const QString& family)
{
    // The faces fontconfig puts in the place of the Windows fonts a board
    // names or a user picks: metric-compatible where there are such, and
    // Verdana's the preferred sans-serif of a default configuration.
    static const QHash<QString, QStringList> standIns{
        {QStringLiteral("verdana"), {QStringLiteral("DejaVu Sans")}},
        {QStringLiteral("arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}},
        {QStringLiteral("helvetica"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}},
        {QStringLiteral("times new roman"), {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos")}},
        {QStringLiteral("courier new"), {QStringLiteral("Liberation Mono"), QStringLiteral("Cousine")}},
    };
    const auto it = standIns.constFind(family.toLower());
    if (it == standIns.constEnd())
        return family;
    const QStringList installed = QFontDatabase::families();
    if (installed.contains(family, Qt::CaseInsensitive))
        return family;
    for (const QString& standIn : *it) {
        if (installed.contains(standIn, Qt::CaseInsensitive))
            return standIn;
    }
    return family;
}

QFont trayFont()
{
    QFont f(installedFamily(QStringLiteral("Arial")));
    f.setPixelSize(11);
    return f;
}

} // namespace BoardStyle
