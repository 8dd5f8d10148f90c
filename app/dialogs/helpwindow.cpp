#include "app/dialogs/helpwindow.h"

#include "app/desktop/messageboxes.h"
#include "app/dialogs/helpbrowser.h"
#include "store/helppage.h"
#include "store/textfile.h"
#include "widgets/plaintext.h"

#include <QDesktopServices>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const QString kHelpFile = QStringLiteral("Help.chm");

} // namespace

HelpWindow::HelpWindow(const DataFolder& folder, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folder(folder)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Help"));

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("helpSearch"));
    m_search->setPlaceholderText(QStringLiteral("Search the help"));
    m_search->setClearButtonEnabled(true);
    auto* findButton = new QPushButton(QStringLiteral("&Find"), this);
    findButton->setObjectName(QStringLiteral("helpFind"));
    findButton->setAutoDefault(false);
    m_status = PlainText::label(this);
    m_status->setObjectName(QStringLiteral("helpStatus"));
    m_browser = new HelpBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpText"));

    connect(m_search, &QLineEdit::returnPressed, this, [this] { find(m_search->text()); });
    connect(findButton, &QPushButton::clicked, this, [this] { find(m_search->text()); });
    connect(m_search, &QLineEdit::textChanged, m_status, &QLabel::clear);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);
    // Esc closes it, as it closes the board's other windows.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setObjectName(QStringLiteral("helpClose"));
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(new QLabel(QStringLiteral("Search:"), this));
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(findButton);
    searchRow->addWidget(m_status);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(searchRow);
    layout->addWidget(m_browser, 1);
    resize(760, 640);
}

void HelpWindow::showHelp()
{
    load();
    showInFront(this, m_placed);
    m_search->setFocus();
}

void HelpWindow::load()
{
    const TextFile::BytesResult file = TextFile::readBytes(m_folder.inRoot(kHelpFile), kMaxHelpBytes);
    if (!file.ok()) {
        setWindowTitle(QStringLiteral("Help"));
        m_browser->setPlainText(QStringLiteral("The help file %1 cannot be read: %2")
                                    .arg(QDir::toNativeSeparators(m_folder.inRoot(kHelpFile)), file.reason));
        return;
    }
    const HelpPage page = HelpPage::parse(TextFile::decode(file.value));
    m_browser->showPage(page);
    const QString title = page.title.simplified();
    setWindowTitle(PlainText::windowTitle(title.contains(QStringLiteral("Help"), Qt::CaseInsensitive) ? title
                                          : title.isEmpty() ? QStringLiteral("Help")
                                                            : QStringLiteral("Help - ") + title));
}

void HelpWindow::followLink(const QUrl& url)
{
    // Places within the help, and pages on the web in the desktop's browser;
    // nothing else: a file named by the help is never opened.
    if (url.isRelative() && url.path().isEmpty() && url.hasFragment()) {
        m_browser->scrollToAnchor(url.fragment());
        m_status->clear();
        return;
    }
    const QString scheme = url.scheme().toLower();
    if ((scheme == u"http" || scheme == u"https" || scheme == u"mailto") && QDesktopServices::openUrl(url)) {
        m_status->clear();
        return;
    }
    m_status->setText(QStringLiteral("This link leads outside the help."));
}

bool HelpWindow::find(const QString& text)
{
    if (text.isEmpty())
        return false;
    if (m_browser->find(text)) {
        m_status->clear();
        return true;
    }
    // From the top again after the last place.
    QTextCursor top = m_browser->textCursor();
    top.movePosition(QTextCursor::Start);
    m_browser->setTextCursor(top);
    if (m_browser->find(text)) {
        m_status->setText(QStringLiteral("From the top"));
        return true;
    }
    m_status->setText(QStringLiteral("Not found"));
    return false;
}

QString HelpWindow::status() const
{
    return m_status->text();
}
