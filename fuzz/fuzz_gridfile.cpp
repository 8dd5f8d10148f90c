// Feeds arbitrary bytes to loadGrid as a grid file and its colour file:
// the bytes before the first NUL are sgrid.scd, the rest gclrsgrid.scd (no
// NUL: no colour file). Checks that a load either leaves the grid exactly as
// it was or gives a well-formed grid that saves and loads back unchanged.
#include "fuzz/fuzzcheck.h"
#include "store/gridstore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QString kGrid = QStringLiteral("sgrid.scd");

struct Folder
{
    Folder()
    {
        QDir(dir.path()).mkpath(QStringLiteral("gsystem"));
    }
    QTemporaryDir dir;
    DataFolder folder() const { return DataFolder(dir.path()); }
};

// Plain writes: the fuzz loop needs no atomic replace.
void put(const DataFolder& f, const QString& name, const QByteArray& bytes)
{
    QFile out(f.gsystem(name));
    FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size());
}

void drop(const DataFolder& f, const QString& name)
{
    QFile::remove(f.gsystem(name));
}

GridData staleGrid()
{
    GridData g(3, 4);
    g.setCell(0, 0, QStringLiteral("stale"));
    g.setCell(2, 3, QStringLiteral("x"));
    g.setRowColor(0, 5);
    g.setRowColor(3, 9);
    return g;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Folder folder;
    const DataFolder f = folder.folder();
    const GridStore store(f);

    const QByteArray bytes = fuzzBytes(data, size);
    const qsizetype nul = bytes.indexOf('\0');
    put(f, kGrid, nul < 0 ? bytes : bytes.left(nul));
    if (nul < 0)
        drop(f, GridStore::colorFileName(kGrid));
    else
        put(f, GridStore::colorFileName(kGrid), bytes.mid(nul + 1));

    const GridData before = staleGrid();
    GridData g = before;
    const GridStore::LoadResult r = store.loadGrid(kGrid, g);
    FUZZ_CHECK(!r.ok() || r.value);
    FUZZ_CHECK(r.ok() == r.message.isEmpty());
    if (!r.value) {
        FUZZ_CHECK(g == before);
        return 0;
    }
    FUZZ_CHECK(g.colCount() >= 1 && g.colCount() <= GridStore::kMaxFileCols);
    FUZZ_CHECK(g.rowCount() >= 1 && g.rowCount() <= GridStore::kMaxFileRows);
    FUZZ_CHECK(qint64(g.colCount()) * g.rowCount() <= GridStore::kMaxFileCells);
    for (int c = 0; c < g.colCount(); ++c)
        FUZZ_CHECK(g.column(c).size() == g.rowCount());
    FUZZ_CHECK(g.rowColor(0) == 0);
    for (int row = 1; row < GridData::kColorRows; ++row)
        FUZZ_CHECK(g.rowColor(row) >= 0 && g.rowColor(row) <= GridData::kMaxColorCode
              && (row < g.rowCount() || g.rowColor(row) == 0));

    // Whatever was loaded writes back as a file that loads to the same grid.
    if (qint64(g.colCount()) * g.rowCount() > 20000)
        return 0;
    QStringList colors;
    for (int row = 1; row < g.rowCount(); ++row)
        colors.append(QString::number(g.rowColor(row)));
    put(f, kGrid, TextFile::joinLines(GridStore::gridLines(g)));
    put(f, GridStore::colorFileName(kGrid), TextFile::joinLines(colors));
    GridData again = before;
    FUZZ_CHECK(store.loadGrid(kGrid, again).ok());
    FUZZ_CHECK(again == g);
    return 0;
}
