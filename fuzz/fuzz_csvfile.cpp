// Spreadsheet files come from anywhere: any bytes are read without harm,
// a table read is written back and read again as the same table, and what
// it would do to a grid stays within the grid's shape.
#include "fuzz/fuzzcheck.h"
#include "store/csvfile.h"
#include "store/csvimport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = fuzzBytes(data, size);
    CsvFile::Table table;
    CsvFile::Problem problem;
    if (!CsvFile::parse(CsvFile::decode(bytes), table, problem)) {
        FUZZ_CHECK(!problem.reason.isEmpty());
        return 0;
    }
    FUZZ_CHECK(table.rows.size() == table.lines.size());
    for (const QStringList& row : table.rows)
        FUZZ_CHECK(row.size() == table.header.size());

    QList<QStringList> all{table.header};
    all += table.rows;
    CsvFile::Table again;
    FUZZ_CHECK(CsvFile::parse(CsvFile::decode(CsvFile::format(all)), again, problem));
    FUZZ_CHECK(again.header == table.header && again.rows == table.rows);

    GridData grid(3, 5);
    grid.setCell(1, 0, QStringLiteral("A"));
    grid.setCell(0, 1, QStringLiteral("1"));
    const CsvImport::Plan plan = CsvImport::plan(grid, table);
    FUZZ_CHECK(plan.result.colCount() == grid.colCount());
    FUZZ_CHECK(plan.fits() ? plan.result.rowCount() <= CsvImport::kMaxDataRows + 1 : plan.result == grid);
    for (int r = 0; r < plan.result.rowCount(); ++r)
        for (int c = 0; c < plan.result.colCount(); ++c)
            FUZZ_CHECK(TextFile::unencodable(plan.result.cell(c, r)).isEmpty() && !plan.result.cell(c, r).contains(u'\n'));
    return 0;
}
