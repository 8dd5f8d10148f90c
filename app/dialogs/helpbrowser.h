#pragma once

#include <QTextBrowser>

struct HelpPage;

// The help text's view. It shows a HelpPage, built here block by block:
// Qt never parses the help file's markup, so nothing in it can name a
// picture, style sheet or page for Qt to load, and no nesting reaches the
// layout. It loads no resource either, whatever asks for one.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget* parent = nullptr);
    void showPage(const HelpPage& page);
    QVariant loadResource(int type, const QUrl& name) override;
};
