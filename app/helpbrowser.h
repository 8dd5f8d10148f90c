#pragma once

#include <QTextBrowser>

// The help text's view. It loads nothing but the page it is given: no image,
// style sheet or page named by the help file is read, so a link can never
// make the board read a file outside the data folder.
class HelpBrowser : public QTextBrowser
{
    Q_OBJECT
public:
    explicit HelpBrowser(QWidget* parent = nullptr);
    QVariant loadResource(int type, const QUrl& name) override;
};
