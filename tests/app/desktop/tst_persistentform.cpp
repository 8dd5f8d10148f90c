#include "app/desktop/persistentform.h"
#include "store/textfile.h"
#include "tests/support/testfolder.h"

#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <cerrno>
#include <memory>

namespace {

// A dialog like the "Date / Time" one: four check boxes, all unticked.
struct Form
{
    std::unique_ptr<QDialog> dialog = std::make_unique<QDialog>();
    QList<QCheckBox*> boxes;

    explicit Form(bool resizable)
    {
        dialog->setObjectName(QStringLiteral("Form6"));
        auto* layout = new QVBoxLayout(dialog.get());
        for (int i = 1; i <= 4; ++i) {
            auto* box = new QCheckBox(QStringLiteral("Option %1").arg(i), dialog.get());
            box->setObjectName(QStringLiteral("CheckBox%1").arg(i));
            layout->addWidget(box);
            boxes.append(box);
        }
        if (resizable)
            dialog->resize(260, 180);
        else
            dialog->setFixedSize(260, 180);
    }
    PersistentForm* attach(const QString& file, bool resizable)
    {
        QList<PersistentForm::Property> props;
        for (QCheckBox* b : std::as_const(boxes))
            props.append(PersistentForm::checked(b));
        return PersistentForm::attach(dialog.get(), file, resizable, props);
    }
};

} // namespace

class TestPersistentForm : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { TextFile::setFaultHook({}); }
    void storedPlaceAndValues_data();
    void storedPlaceAndValues();
    void noFileWritesEightEntries();
    void failedWriteIsReturned();
    void standInForAFormNotMade();
};

void TestPersistentForm::storedPlaceAndValues_data()
{
    QTest::addColumn<bool>("resizable");
    QTest::addColumn<QSize>("shownSize");
    QTest::addColumn<QByteArray>("written");

    QTest::newRow("resizable") << true << QSize(300, 200)
                               << QByteArray("[Other]\r\nTop=1\r\n[form6]\r\ntop=120\r\nLeft=100\r\nWIDTH=300\r\n"
                                             "Height=200\r\nCheckBox1.Checked=TRUE\r\ncheckbox2.checked=TRUE\r\n"
                                             "CheckBox3.Checked=FALSE\r\nCheckBox4.Checked=FALSE\r\n");
    // The stored size is never taken, and stays in the file.
    QTest::newRow("fixed size") << false << QSize(260, 180)
                                << QByteArray("[Other]\r\nTop=1\r\n[form6]\r\ntop=120\r\nLeft=100\r\nWIDTH=300\r\n"
                                              "Height=200\r\nCheckBox1.Checked=TRUE\r\ncheckbox2.checked=TRUE\r\n"
                                              "CheckBox3.Checked=FALSE\r\nCheckBox4.Checked=FALSE\r\n");
}

void TestPersistentForm::storedPlaceAndValues()
{
    QFETCH(bool, resizable);
    QFETCH(QSize, shownSize);
    QFETCH(QByteArray, written);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    QVERIFY(writeRaw(path, "[Other]\r\nTop=1\r\n[form6]\r\ntop=40\r\nLeft=60\r\nWIDTH=300\r\nHeight=200\r\n"
                           "CheckBox1.Checked=TRUE\r\ncheckbox2.checked=true\r\n"));
    Form form(resizable);
    QVERIFY(form.attach(path, resizable));
    QCOMPARE(form.boxes[0]->isChecked(), true);
    QCOMPARE(form.boxes[1]->isChecked(), false);   // "true" is not "TRUE"

    form.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.dialog.get()));
    QCOMPARE(form.dialog->pos(), QPoint(60, 40));
    QCOMPARE(form.dialog->size(), shownSize);

    form.dialog->move(100, 120);
    form.boxes[1]->setChecked(true);
    form.dialog->hide();
    QVERIFY(PersistentForm::saveAll(form.dialog.get()).isEmpty());
    QCOMPARE(readAll(path), written);
}

void TestPersistentForm::noFileWritesEightEntries()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    {
        // An end other than the normal one (a crash, a kill) writes nothing.
        Form gone(false);
        QVERIFY(gone.attach(path, false));
        gone.dialog->show();
    }
    QVERIFY(!QFile::exists(path));

    Form form(false);
    form.boxes[3]->setChecked(true);
    QVERIFY(form.attach(path, false));
    QCOMPARE(form.boxes[3]->isChecked(), true);
    form.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.dialog.get()));
    const QPoint at = form.dialog->pos();
    QVERIFY(PersistentForm::saveAll(form.dialog.get()).isEmpty());
    QCOMPARE(readAll(path), QStringLiteral("[Form6]\r\nTop=%1\r\nLeft=%2\r\nWidth=260\r\nHeight=180\r\n"
                                           "CheckBox1.Checked=FALSE\r\nCheckBox2.Checked=FALSE\r\n"
                                           "CheckBox3.Checked=FALSE\r\nCheckBox4.Checked=TRUE\r\n")
                                .arg(at.y())
                                .arg(at.x())
                                .toLatin1());

    // The next run's form, never shown before the end, writes the same.
    Form next(false);
    QVERIFY(next.attach(path, false));
    QCOMPARE(next.boxes[3]->isChecked(), true);
    const QByteArray before = readAll(path);
    QVERIFY(PersistentForm::saveAll(next.dialog.get()).isEmpty());
    QCOMPARE(readAll(path), before);
}

void TestPersistentForm::failedWriteIsReturned()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    QVERIFY(writeRaw(path, "[Form6]\r\nCheckBox1.Checked=FALSE\r\n"));
    Form form(false);
    QVERIFY(form.attach(path, false));
    form.boxes[0]->setChecked(true);
    TextFile::setFaultHook([](TextFile::Step s, const QString&) { return s == TextFile::Step::Sync ? ENOSPC : 0; });
    const QList<TextFile::WriteResult> failed = PersistentForm::saveAll(form.dialog.get());
    QCOMPARE(failed.size(), 1);
    QCOMPARE(failed[0].path, path);
    QVERIFY(failed[0].message.contains(QStringLiteral("Schedboard.ini")));
    QCOMPARE(readAll(path), QByteArray("[Form6]\r\nCheckBox1.Checked=FALSE\r\n"));

    // A form without a name has no section to keep.
    QWidget unnamed;
    QVERIFY(!PersistentForm::attach(&unnamed, path, true));
}

void TestPersistentForm::standInForAFormNotMade()
{
    // A form made at its first use writes its section at a normal end even
    // when it was never made: its place as stored, its values as held.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Schedboard.ini"));
    QVERIFY(writeRaw(path, "[Form6]\r\nTop=5\r\nLeft=900\r\nWidth=0\r\nHeight=17\r\nCheckBox2.Checked=TRUE\r\n"
                           "CheckBox3.Checked=maybe\r\n"));
    QObject owner;
    bool held[3] = {false, false, true};
    QList<PersistentForm::Property> props;
    for (int i = 0; i < 3; ++i) {
        PersistentForm::Property p;
        p.control = QStringLiteral("CheckBox%1").arg(i + 1);
        p.className = QStringLiteral("QCheckBox");
        p.name = QStringLiteral("Checked");
        p.get = [&held, i] { return QVariant(held[i]); };
        p.set = [&held, i](const QVariant& v) { held[i] = v.toBool(); };
        props.append(p);
    }
    PersistentForm* standIn = PersistentForm::reserve(&owner, path, QStringLiteral("Form6"), props);
    QVERIFY(standIn);
    QCOMPARE(held[1], true);    // read at once
    QCOMPARE(held[2], true);    // "maybe" is no boolean: the held value stays
    held[0] = true;
    QVERIFY(PersistentForm::saveAll(&owner).isEmpty());
    QCOMPARE(readAll(path), QByteArray("[Form6]\r\nTop=5\r\nLeft=900\r\nWidth=0\r\nHeight=17\r\n"
                                       "CheckBox2.Checked=TRUE\r\nCheckBox3.Checked=TRUE\r\nCheckBox1.Checked=TRUE\r\n"));

    // Gone once the form itself is made: the form alone writes the section.
    delete standIn;
    const QByteArray written = readAll(path);
    held[0] = false;
    QVERIFY(PersistentForm::saveAll(&owner).isEmpty());
    QCOMPARE(readAll(path), written);

    // Nothing to stand in for without a section name.
    QVERIFY(!PersistentForm::reserve(&owner, path, QString(), props));
}

QTEST_MAIN(TestPersistentForm)
#include "tst_persistentform.moc"
