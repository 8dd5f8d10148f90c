#include "tests/support/testfolder.h"

#include "store/gridstore.h"
#include "store/textfile.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#ifndef SB_SOURCE_DIR
#error "SB_SOURCE_DIR must name the source tree"
#endif

TestFolder::TestFolder()
{
    QDir root(m_dir.path());
    for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
        root.mkpath(QString::fromLatin1(sub));
    // As after the first press on a share: a press that has to make the
    // guard waits for holders to look at theirs first.
    writeFile(QStringLiteral("guard.scd"), QByteArray());
}

QString TestFolder::path(const QString& relative) const
{
    return QDir(m_dir.path()).filePath(relative);
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool writeRaw(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

void TestFolder::writeFile(const QString& relative, const QByteArray& bytes) const
{
    const QString p = path(relative);
    QDir().mkpath(QFileInfo(p).absolutePath());
    QFile f(p);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(bytes);
}

QByteArray TestFolder::readFile(const QString& relative) const
{
    QFile f(path(relative));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool TestFolder::exists(const QString& relative) const
{
    return QFileInfo::exists(path(relative));
}

GridData TestFolder::sampleGrid()
{
    GridData g(4, 4);
    const QStringList titles = {QString(), QStringLiteral("Trailer"), QStringLiteral("Product"), QStringLiteral("Date")};
    for (int c = 0; c < 4; ++c)
        g.setCell(c, 0, titles[c]);
    g.setCell(0, 1, QStringLiteral("1"));
    g.setCell(1, 1, QStringLiteral("T-12"));
    g.setCell(2, 1, QStringLiteral("Steel"));
    g.setCell(0, 2, QStringLiteral("2"));
    g.setRowColor(2, 1);
    return g;
}

QByteArray TestFolder::defaultParm()
{
    return TextFile::joinLines({
        QStringLiteral("00000001110000000"), QStringLiteral("5"), QStringLiteral("18"),
        QStringLiteral("Verdana"), QStringLiteral("8"), QStringLiteral("0"),
        QStringLiteral("11393254"), QStringLiteral("799"), QStringLiteral("572"),
        QStringLiteral("70"), QStringLiteral("70"), QStringLiteral("RYX Scheduling"),
        QString(), QStringLiteral("7")});
}

void TestFolder::writeMinimalData()
{
    writeFile(QStringLiteral("gsystem/parm.scd"), defaultParm());
    GridStore store(folder());
    // A fixture that cannot be written fails the test that uses it loudly.
    for (const QString& name : {QStringLiteral("sgrid.scd"), QStringLiteral("bsgrid.scd")}) {
        if (const TextFile::WriteResult w = store.saveGrid(name, sampleGrid()); !w.ok())
            qFatal("%s", qPrintable(w.message));
    }
    writeFile(QStringLiteral("users/users.scd"), "All\r\n");
}

void TestFolder::copyInstallationData()
{
    const QString src = QStringLiteral(SB_SOURCE_DIR "/data");
    QDirIterator it(src, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString rel = QDir(src).relativeFilePath(file);
        QFile in(file);
        if (in.open(QIODevice::ReadOnly))
            writeFile(rel, in.readAll());
    }
}

