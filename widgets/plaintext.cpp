#include "widgets/plaintext.h"

#include <QLabel>
#include <QTextDocument>

namespace PlainText {

QLabel* label(QWidget* parent)
{
    auto* l = new QLabel(parent);
    makePlain(l);
    return l;
}

void makePlain(QLabel* label)
{
    label->setTextFormat(Qt::PlainText);
}

QString toolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

QString windowTitle(const QString& text)
{
    // Qt shows "[*][*]" as one literal "[*]".
    QString title = text;
    title.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    return title;
}

} // namespace PlainText
