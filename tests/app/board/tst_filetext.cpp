#include "app/board/statusline.h"
#include "app/desktop/messageboxes.h"
#include "store/textfile.h"
#include "widgets/boardstyle.h"
#include "widgets/plaintext.h"
#include "tests/app/board/boardfixture.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <functional>

// Text from the shared folder is shown as written wherever a board shows it:
// anybody on the share can write these files, and a planted <img> must not
// make every viewing board load a file, nor <b> turn into bold.
class TestFileText : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void shownAsWritten_data();
    void shownAsWritten();
    void statusLineLooksLikeAStatusBar_data();
    void statusLineLooksLikeAStatusBar();

private:
    enum Place { StatusLine, BusyBox, Caption, NoticeBox, YesNoBox, YesNoCancelBox, InputBox };
    struct Shown
    {
        QString text;
        QImage picture;
    };

    QString hostile(const QString& who) const;
    Shown captureBox(const std::function<void()>& open, MessageBoxes& boxes);

    std::unique_ptr<QTemporaryDir> m_outside;
    QString m_probe;   // a picture outside the data folder, in a colour nothing else has
    std::unique_ptr<TestFolder> m_folder;
};

namespace {

const QRgb kProbe = qRgb(255, 0, 255);

// What a reader sees of a label: Qt lays out rich text as HTML.
QString seen(const QLabel* label)
{
    const bool rich = label->textFormat() == Qt::RichText
        || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(label->text()));
    return rich ? QTextDocumentFragment::fromHtml(label->text()).toPlainText() : label->text();
}

bool showsProbe(const QImage& picture)
{
    const QImage image = picture.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == kProbe)
                return true;
    return false;
}

} // namespace

QString TestFileText::hostile(const QString& who) const
{
    return QStringLiteral("<img src=\"%1\"> <b>%2</b> & [*] co").arg(m_probe, who);
}

void TestFileText::init()
{
    m_outside = std::make_unique<QTemporaryDir>();
    m_probe = m_outside->filePath(QStringLiteral("probe.png"));
    QImage probe(32, 32, QImage::Format_RGB32);
    probe.fill(kProbe);
    QVERIFY(probe.save(m_probe));
    m_folder = std::make_unique<TestFolder>();
    m_folder->copyInstallationData();
}

void TestFileText::cleanup()
{
    m_folder.reset();
    m_outside.reset();
}

TestFileText::Shown TestFileText::captureBox(const std::function<void()>& open, MessageBoxes& boxes)
{
    Shown shown;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box)
            return;
        for (const QLabel* label : box->findChildren<QLabel*>())
            if (!label->text().isEmpty())
                shown.text += seen(label);
        shown.picture = box->grab().toImage();
        boxes.closeAll();
    });
    open();
    return shown;
}

void TestFileText::shownAsWritten_data()
{
    QTest::addColumn<int>("place");
    QTest::newRow("status line: the updating user and computer") << int(StatusLine);
    QTest::newRow("busy box: the updating user and computer") << int(BusyBox);
    QTest::newRow("window caption: the title of parm.scd") << int(Caption);
    QTest::newRow("notice box") << int(NoticeBox);
    QTest::newRow("yes/no box") << int(YesNoBox);
    QTest::newRow("yes/no/cancel box") << int(YesNoCancelBox);
    QTest::newRow("input box prompt") << int(InputBox);
}

void TestFileText::shownAsWritten()
{
    QFETCH(int, place);
    const QString user = hostile(QStringLiteral("mallory"));
    const QString computer = hostile(QStringLiteral("PC-M"));
    Shown shown;
    QStringList expected;

    MessageBoxes boxes;
    switch (Place(place)) {
    case StatusLine:
    case BusyBox: {
        Workstation a(*m_folder, QStringLiteral("PC-A"), QStringLiteral("anna"));
        FakeWorkstation fakeB(QStringLiteral("PC-B"), QStringLiteral("bert"));
        Services servicesB = fakeB.services();
        servicesB.messages = &boxes;
        std::unique_ptr<MainWindow> b = MainWindow::create(m_folder->folder(), servicesB);
        QVERIFY(b);
        b->onActivated();
        b->board().prefs.displayUser = true;
        b->show();
        QVERIFY(QTest::qWaitForWindowExposed(b.get()));
        board::updateButton(a)->click();
        QCOMPARE(a->board().session.state(), UpdateSession::State::Updating);
        // Another user of the share rewrites who holds the board.
        m_folder->writeFile("users/curuser.scd", TextFile::encode(computer + QStringLiteral("\r\n") + user + QStringLiteral("\r\n")));
        if (place == StatusLine) {
            board::sessionControl(b).onPollTick();
            auto* status = b->findChild<::StatusLine*>(QStringLiteral("StatusBar1"));
            QCoreApplication::processEvents();
            shown = {status->text(), status->grab().toImage()};
        } else {
            shown = captureBox([&] { board::updateButton(b)->click(); }, boxes);
            QCOMPARE(b->board().session.state(), UpdateSession::State::Waiting);
        }
        expected = {user, computer};
        break;
    }
    case Caption: {
        QStringList parm = TextFile::read(m_folder->path("gsystem/parm.scd")).value;
        parm[11] = user;
        m_folder->writeFile("gsystem/parm.scd", TextFile::joinLines(parm));
        Workstation ws(*m_folder, QStringLiteral("PC1"), QStringLiteral("jim"));
        ws->show();
        QVERIFY(ws->windowHandle());
        shown.text = ws->windowHandle()->title();
        expected = {user};
        QCOMPARE(shown.text, user);
        break;
    }
    case NoticeBox:
        shown = captureBox([&] { boxes.show(MessageKind::Error, user, kCentralOffset); }, boxes);
        expected = {user};
        break;
    case YesNoBox:
        shown = captureBox([&] { QVERIFY(!boxes.askYesNo(user, kCentralOffset)); }, boxes);
        expected = {user};
        break;
    case YesNoCancelBox:
        shown = captureBox([&] { QCOMPARE(boxes.askYesNoCancel(user, kCentralOffset), Answer::Cancel); }, boxes);
        expected = {user};
        break;
    case InputBox:
        shown = captureBox([&] { QCOMPARE(boxes.inputText(QStringLiteral("Column"), user, QString()), std::nullopt); },
                           boxes);
        expected = {user};
        break;
    }
    for (const QString& text : std::as_const(expected))
        QVERIFY2(shown.text.contains(text), qPrintable(shown.text));
    QVERIFY2(!showsProbe(shown.picture), "the planted picture is shown");
}

void TestFileText::statusLineLooksLikeAStatusBar_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("notice");
    // What the status bar's label shows the same as; the text itself when empty.
    QTest::addColumn<QString>("asLabel");
    QTest::newRow("empty") << QString() << false << QString();
    QTest::newRow("who holds the board") << QStringLiteral("Updating: anna on PC-A since 09:12") << false << QString();
    QTest::newRow("markup and marks") << QStringLiteral("<b>R&amp;D</b> & <img src=\"x\">") << false << QString();
    QTest::newRow("right to left") << QString::fromUtf8("\u05d3\u05e0\u05d4 \u05e2\u05dc PC-7") << false << QString();
    QTest::newRow("wider than the line") << QStringLiteral("W").repeated(300) << false << QString();
    // A label grew a line for each; the line stays one line high.
    QTest::newRow("line breaks") << QStringLiteral("Saved by EVIL\nSECOND\u2028THIRD at 09:12") << false
                                 << QStringLiteral("Saved by EVIL SECOND THIRD at 09:12");
    QTest::newRow("tabs") << QStringLiteral("Updating: user\twith tab on ws\tTAB") << false << QString();
    QTest::newRow("notice") << QStringLiteral("\"<b>\" cannot be stored & was left out.") << true << QString();
}

void TestFileText::statusLineLooksLikeAStatusBar()
{
    // The board's painted line against what it replaced: a status bar
    // holding one plain label, in the board's style.
    QFETCH(QString, text);
    QFETCH(bool, notice);
    QFETCH(QString, asLabel);
    QWidget host;
    BoardStyle::apply(&host, BoardStyle::Look::Board);
    auto* layout = new QVBoxLayout(&host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* bar = new QStatusBar;
    bar->setSizeGripEnabled(false);
    QLabel* label = PlainText::label(bar);
    bar->addWidget(label, 1);
    auto* line = new ::StatusLine;
    layout->addWidget(bar);
    layout->addWidget(line);
    layout->addStretch(1);
    if (notice) {
        bar->showMessage(text);
        line->showNotice(text, 60000);
    } else {
        label->setText(asLabel.isEmpty() ? text : asLabel);
        line->setText(text);
    }
    host.resize(799, 60);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    QCOMPARE(line->height(), bar->height());
    QCOMPARE(line->grab().toImage(), bar->grab().toImage());
}

QTEST_MAIN(TestFileText)
#include "tst_filetext.moc"
