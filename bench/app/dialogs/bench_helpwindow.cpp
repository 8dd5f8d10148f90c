// Opening the help: Help.chm read into a page, built into the view's
// document, laid out and painted, for the worst files up to its 4 MB cap.
// Every one must open in well under a second.

#include "app/dialogs/helpbrowser.h"
#include "app/dialogs/helpwindow.h"
#include "store/helppage.h"
#include "store/textfile.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <QScrollBar>

#include <benchmark/benchmark.h>

namespace {

QByteArray fill(const QByteArray& head, const QByteArray& piece, const QByteArray& tail = {})
{
    const qsizetype room = HelpWindow::kMaxHelpBytes - head.size() - tail.size();
    return head + piece.repeated(room / piece.size()) + tail;
}

QByteArray helpFile(int kind)
{
    switch (kind) {
    case 0: {
        QFile installed(QStringLiteral(SB_SOURCE_DIR "/data/Help.chm"));
        return installed.open(QIODevice::ReadOnly) ? installed.readAll() : QByteArray();
    }
    case 1: return QByteArray("<table><tr><td>").repeated(5000) + "deep";
    case 2: return QByteArray("<table><tr><td>x").repeated(2000);
    case 3: return fill("<table>", "<tr><td>cell</td><td>more</td></tr>\n", "</table>");
    // Just within the bounds: the most cells, paragraphs and text laid out.
    case 4: return "<table>" + QByteArray("<tr><td>cell text<td>more text").repeated(HelpPage::kMaxCells / 2) + "</table>";
    case 5: return QByteArray("<p>A paragraph of the help, <b>with</b> a <a href=\"#x\">link</a>.</p>\n")
            .repeated(HelpPage::kMaxElements / 3);
    case 6: return "<p>" + QByteArray("word ").repeated(HelpPage::kMaxText / 5 - 10) + "</p>";
    // Beyond them: shown as plain text.
    case 7: return fill("<p>", "words in one paragraph ");
    case 8: return fill("", "<ul><li>deep ");
    default: return {};
    }
}

const char* const kNames[] = {"installed help",        "5,000 nested tables", "2,000 nested tables",
                              "flat 4 MB table",       "cells at the bound",  "elements at the bound",
                              "text at the bound",     "4 MB in one paragraph", "4 MB of nested lists"};

void BM_OpenHelp(benchmark::State& state)
{
    const int kind = int(state.range(0));
    state.SetLabel(kNames[kind]);
    const QByteArray bytes = helpFile(kind);
    HelpBrowser browser;
    browser.resize(760, 600);
    browser.show();
    for (auto _ : state) {
        const HelpPage page = HelpPage::parse(TextFile::decode(bytes));
        browser.showPage(page);
        benchmark::DoNotOptimize(browser.document()->documentLayout()->documentSize());
        // The first screen, and the last one as the scroll bar's drag reaches it.
        benchmark::DoNotOptimize(browser.viewport()->grab());
        browser.verticalScrollBar()->setValue(browser.verticalScrollBar()->maximum());
        benchmark::DoNotOptimize(browser.viewport()->grab());
    }
}
BENCHMARK(BM_OpenHelp)->DenseRange(0, 8)->Unit(benchmark::kMillisecond)->Iterations(1);

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
