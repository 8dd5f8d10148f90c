// "Grid Sort / Print" on a board whose rows each hold a cell of 40,000
// characters of short words, the most a cell shows, measures and prints:
// the pages' text layout alone, and a whole "Save as PDF" through the
// dialog, as the user starts it. Then a full board of ordinary cells saved
// as a PDF at the print sizes a dispatcher picks, fitted to the paper.

#include "app/sortprint/gridsortprintdialog.h"
#include "base/preferences.h"
#include "base/services.h"
#include "grid/griddata.h"
#include "grid/printlayout.h"
#include "store/gridstore.h"
#include "widgets/boardstyle.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QTemporaryDir>

#include <iterator>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 255;   // the title row and 254 data rows

// Words of two to six letters, different in every row.
QString shortWords(int row, qsizetype length)
{
    QString text;
    text.reserve(length);
    quint32 seed = 2654435761u * quint32(row + 1);
    while (text.size() < length) {
        seed = seed * 1664525u + 1013904223u;
        const int letters = 2 + int((seed >> 24) % 5);
        for (int i = 0; i < letters; ++i)
            text.append(QChar(u'a' + int((seed >> (i * 4)) % 26)));
        text.append(u' ');
    }
    text.truncate(length);
    return text;
}

GridData longCellGrid()
{
    GridData g(3, kRows);
    g.setCell(0, 0, QStringLiteral("Trailer"));
    g.setCell(1, 0, QStringLiteral("Notes"));
    g.setCell(2, 0, QStringLiteral("Date"));
    for (int r = 1; r < kRows; ++r) {
        g.setCell(0, r, QStringLiteral("T-%1").arg(r));
        g.setCell(1, r, shortWords(r, PrintLayout::kMaxShownChars));
        g.setCell(2, r, QStringLiteral("3/%1/2026").arg(1 + r % 28));
        g.setRowColor(r, r % 12);
    }
    return g;
}

// Every question answered Yes: the columns wider than the paper print cut.
class YesMessages final : public Messages
{
public:
    void show(MessageKind, const QString& text, QPoint) override { shown.append(text); }
    bool askYesNo(const QString&, QPoint) override { return true; }
    Answer askYesNoCancel(const QString&, QPoint) override { return Answer::Yes; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
    void closeAll() override {}
    QStringList shown;
};

// Every row of a board filled as the dispatchers fill it: trailers,
// products, consignors, consignees, dates and notes, each row coloured.
GridData fullGrid()
{
    static const char* const titles[] = {"Trailer", "Product", "Consignor", "Consignee", "City", "Load date",
                                         "Delivery", "Driver", "Notes", "Status"};
    constexpr int cols = int(std::size(titles));
    GridData g(cols, kRows);
    for (int c = 0; c < cols; ++c)
        g.setCell(c, 0, QString::fromLatin1(titles[c]));
    for (int r = 1; r < kRows; ++r) {
        g.setCell(0, r, QStringLiteral("T-%1").arg(100 + r));
        g.setCell(1, r, r % 3 ? QStringLiteral("Steel coils") : QStringLiteral("Fertiliser, bagged"));
        g.setCell(2, r, QStringLiteral("Consignor %1 Ltd").arg(r % 17));
        g.setCell(3, r, QStringLiteral("Consignee %1 Distribution").arg(r % 23));
        g.setCell(4, r, QStringLiteral("Springfield"));
        g.setCell(5, r, QStringLiteral("3/%1/2026").arg(1 + r % 28));
        g.setCell(6, r, QStringLiteral("4/%1/2026 08:30").arg(1 + r % 28));
        g.setCell(7, r, QStringLiteral("Driver %1").arg(r % 31));
        g.setCell(8, r, shortWords(r, 60));
        g.setCell(9, r, r % 2 ? QStringLiteral("Booked") : QStringLiteral("Loaded"));
        g.setRowColor(r, r % 12);
    }
    return g;
}

struct Board
{
    explicit Board(const GridData& grid = longCellGrid(), int fontSize = 7)
    {
        QDir root(dir.path());
        for (const char* sub : {"gsystem", "users", "colfiles", "databkup"})
            root.mkpath(QString::fromLatin1(sub));
        if (!GridStore(DataFolder(dir.path())).saveGrid(QStringLiteral("sgrid.scd"), grid).ok())
            qFatal("cannot write the grid file");
        prefs.printFontSize = fontSize;
        dialog = std::make_unique<GridSortPrintDialog>(DataFolder(dir.path()), prefs, messages);
        dialog->setPdfPathChooser([this](const QString&) { return pdf(); });
        dialog->showOpen();
    }
    QString pdf() const { return QDir(dir.path()).filePath(QStringLiteral("grid.pdf")); }

    QTemporaryDir dir;
    Preferences prefs;
    YesMessages messages;
    std::unique_ptr<GridSortPrintDialog> dialog;
};

// The lines GridPrintout lays out on a 1200 dpi PDF page (12 printer dots
// per screen pixel): every cell of every row, as many lines as its row shows.
void BM_LongCellsLayout(benchmark::State& state)
{
    Board b;
    const GridData& grid = b.dialog->gridCopy();
    constexpr int kScale = 12;
    QFont font = BoardStyle::pixelFont(b.dialog->font(), BoardStyle::kSortPrintFormPixels);
    font.setPixelSize(font.pixelSize() * kScale);
    const QFontMetrics fm(font);
    const auto measure = [&fm](QStringView s) { return fm.horizontalAdvance(s.toString()); };
    const QList<PrintLayout::Band> bands = PrintLayout::columnBands(b.dialog->columnWidths());
    const QList<PrintLayout::PlacedRow> rows =
        PrintLayout::placeRows(grid.rowCount(), {b.dialog->rowHeight(), false, kScale, 0});
    const int shownLines = b.dialog->rowHeight() * kScale / std::max(fm.lineSpacing(), 1) + 1;
    for (auto _ : state) {
        qsizetype laidOut = 0;
        for (const PrintLayout::PlacedRow& row : rows)
            for (int c = 0; c < bands.size(); ++c) {
                const QRect rect = PrintLayout::cellRect(bands.at(c), row, kScale, kScale);
                for (const QString& line : PrintLayout::wrapWords(PrintLayout::shownPart(grid.cell(c, row.row)),
                                                                  rect.width(), measure, shownLines))
                    laidOut += line.size();
            }
        benchmark::DoNotOptimize(laidOut);
    }
}
BENCHMARK(BM_LongCellsLayout)->Unit(benchmark::kMillisecond);

// One "Save as PDF…" a round, over the file of the round before.
void savePdfEachRound(benchmark::State& state, Board& b)
{
    for (auto _ : state) {
        QFile::remove(b.pdf());
        if (!b.dialog->savePdf(false) || !b.messages.shown.isEmpty()) {
            state.SkipWithError("the PDF was not written");
            break;
        }
    }
    state.counters["pdf_kB"] = double(QFile(b.pdf()).size()) / 1024;
}

// "Save as PDF…" of the dialog, to the file written.
void BM_LongCellsSavePdf(benchmark::State& state)
{
    Board b;
    savePdfEachRound(state, b);
}
BENCHMARK(BM_LongCellsSavePdf)->Unit(benchmark::kMillisecond);

// "Save as PDF…" of a full board (254 rows), landscape, fitted to the
// paper's width, at the font size given.
void BM_FullGridSavePdf(benchmark::State& state)
{
    Board b(fullGrid(), int(state.range(0)));
    b.dialog->findChild<QCheckBox*>(QStringLiteral("FitWidthBox"))->setChecked(true);
    savePdfEachRound(state, b);
}
BENCHMARK(BM_FullGridSavePdf)->Arg(7)->Arg(10)->Arg(14)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
