// A viewing board's reload of the worst grid files the board accepts, as
// a save by the updating workstation brings them: the file is read, the
// view takes its texts and column widths, and the grid is painted. The
// sample board's grid is the yardstick. peak_MB is the process's peak
// resident memory during the benchmark.

#include "grid/griddata.h"
#include "grid/griddocument.h"
#include "gridview/gridview.h"
#include "store/gridstore.h"
#include "base/preferences.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

namespace {

double peakMB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return -1;
}

// Starts the peak over from what is resident now.
void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

enum Kind { SampleBoard, OneCell, AllCells, AllCellsWithTabs };

// Two versions of each file, differing in their first cell, so that every
// reload brings new texts.
QByteArray gridFile(Kind kind, int version)
{
    const QByteArray first = "Version " + QByteArray::number(version);
    if (kind == SampleBoard) {
        QFile sample(QStringLiteral(SB_SOURCE_DIR "/data/gsystem/sgrid.scd"));
        if (!sample.open(QIODevice::ReadOnly))
            return {};
        QByteArray bytes = sample.readAll();
        const qsizetype cells = bytes.indexOf('\n', bytes.indexOf('\n') + 1) + 1;
        return bytes.left(cells) + first + bytes.mid(bytes.indexOf('\n', cells));
    }
    const qint64 cap = GridStore::kMaxGridFileBytes;
    QByteArray bytes;
    if (kind == OneCell) {
        // One cell of words taking all the room the others leave.
        bytes.reserve(cap);
        bytes += "6\r\n9\r\n" + first + "\r\n";
        for (int i = 1; i < 6 * 9; ++i) {
            if (i == 2 * 9 + 3)
                bytes += QByteArray("word ").repeated((cap - 4096) / 5);
            else
                bytes += "C" + QByteArray::number(i);
            bytes += "\r\n";
        }
        return bytes;
    }
    // 1024 x 1024 cells of 60 characters: as many as the cap holds; with a
    // tab in each, as pasted from a spreadsheet.
    const char separator = kind == AllCellsWithTabs ? '\t' : '-';
    bytes.reserve(cap);
    bytes += "1024\r\n1024\r\n" + first + "\r\n";
    const QByteArray filler(50, 'x');
    for (int i = 1; i < 1024 * 1024; ++i)
        bytes += QByteArray::number(1000000 + i).sliced(1) + separator + QByteArray::number(i % 997).rightJustified(3, '0')
                 + filler + "\r\n";
    return bytes;
}

void BM_ViewerReload(benchmark::State& state)
{
    const auto kind = Kind(state.range(0));
    QTemporaryDir dir;
    QDir(dir.path()).mkpath(QStringLiteral("gsystem"));
    const GridStore store{DataFolder(dir.path())};
    const QStringList names{QStringLiteral("sgrid.scd"), QStringLiteral("sgrid2.scd")};
    for (int version = 0; version < 2; ++version) {
        QFile file(QDir(dir.path()).filePath(QStringLiteral("gsystem/") + names[version]));
        const QByteArray bytes = gridFile(kind, version);
        if (bytes.isEmpty() || bytes.size() > GridStore::kMaxGridFileBytes || !file.open(QIODevice::WriteOnly)
            || file.write(bytes) != bytes.size()) {
            state.SkipWithError("could not write the grid file");
            return;
        }
    }

    GridDocument document;
    GridData& grid = document.draft();
    Preferences prefs;
    GridView view(document, prefs);
    view.resize(1024, 700);
    view.show();
    if (!store.loadGrid(names[1], grid).ok()) {
        state.SkipWithError("grid not loaded");
        return;
    }
    document.publish();
    view.fitColumnWidths();
    resetPeak();
    int n = 0;
    for (auto _ : state) {
        if (!store.loadGrid(names[n++ % 2], grid).value) {
            state.SkipWithError("the grid file was not loaded");
            break;
        }
        document.publish();
        view.fitColumnWidths();
        QPixmap painted = view.grab();
        benchmark::DoNotOptimize(painted);
    }
    state.counters["peak_MB"] = peakMB();
}
BENCHMARK(BM_ViewerReload)->ArgName("sample0_onecell1_allcells2_tabs3")->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

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
