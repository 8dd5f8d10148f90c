#include "app/desktop/checkreportwindow.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

class TestCheckReportWindow : public QObject
{
    Q_OBJECT
private slots:
    void showsTheReportAsTextAndCloses();
};

void TestCheckReportWindow::showsTheReportAsTextAndCloses()
{
    // Names from the share are text, whatever they look like.
    const QString report = QStringLiteral("Share check of /srv/<b>board</b>\n\n"
                                          "PROBLEM: 1 link where the board wants real folders and files: "
                                          "colfiles/<img src=x>.scd -> /etc &amp; more.\n");
    CheckReportWindow window(report);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* text = window.findChild<QPlainTextEdit*>(QStringLiteral("report"));
    QVERIFY(text);
    QCOMPARE(text->toPlainText(), report);
    QVERIFY(text->isReadOnly());
    // Copyable: the text can be selected.
    QVERIFY(text->textInteractionFlags() & Qt::TextSelectableByMouse);

    auto* buttons = window.findChild<QDialogButtonBox*>(QStringLiteral("buttons"));
    QVERIFY(buttons);
    QPushButton* close = buttons->button(QDialogButtonBox::Close);
    QVERIFY(close);
    QTest::mouseClick(close, Qt::LeftButton);
    QVERIFY(!window.isVisible());
}

QTEST_MAIN(TestCheckReportWindow)
#include "tst_checkreportwindow.moc"
