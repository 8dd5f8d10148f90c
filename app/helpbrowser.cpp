#include "app/helpbrowser.h"

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    // Links are handled by the help window: anchors within the page only.
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QVariant HelpBrowser::loadResource(int, const QUrl&)
{
    // Empty, but not nothing: for nothing the text document reads a local
    // file of that name itself (a style sheet elsewhere, /dev/zero).
    return QByteArray();
}
