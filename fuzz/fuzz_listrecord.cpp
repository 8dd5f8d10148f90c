// A list record pasted into a grid: the first byte chooses the number of
// columns (1..8) and the target row (0..4 of a grid of 4 rows), the rest is
// the record. Then the grid's rows, turned into records by "Create List
// Records", must paste back into an empty grid of the same shape.
#include "fuzz/fuzzcheck.h"
#include "base/services.h"
#include "grid/griddata.h"
#include "grid/listrecord.h"

namespace {

constexpr int kRows = 4;

// Answers No: literal descriptions.
class AnswerNo final : public Messages
{
public:
    void show(MessageKind, const QString&, QPoint) override {}
    bool askYesNo(const QString&, QPoint) override { return false; }
    Answer askYesNoCancel(const QString&, QPoint) override { return Answer::No; }
    std::optional<QString> inputText(const QString&, const QString&, const QString&) override { return {}; }
    void closeAll() override {}
};

bool pastesAsIs(const QString& cell)
{
    return !cell.contains(u'~') && !cell.contains(u'[') && !cell.contains(u']') && cell != u" " && cell != u"  ";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const int cols = 1 + (data[0] & 7);
    const int row = (data[0] >> 3) % (kRows + 1);
    const QString record = TextFile::decode(fuzzBytes(data + 1, size - 1));

    GridData grid(cols, kRows);
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < kRows; ++r)
            grid.setCell(c, r, QStringLiteral("c%1r%2").arg(c).arg(r));
    grid.setRowColor(2, 5);
    const GridData before = grid;

    const ListRecord::PasteResult result = ListRecord::paste(record, grid, row);
    // A colour or a value written may equal what was there.
    FUZZ_CHECK(result.changed || grid == before);
    FUZZ_CHECK(grid.colCount() == cols && grid.rowCount() == kRows);
    if (result.status == ListRecord::PasteStatus::UnevenTildes || result.status == ListRecord::PasteStatus::NoDescription
        || result.status == ListRecord::PasteStatus::NoTargetRow)
        FUZZ_CHECK(grid == before);
    for (int r = 0; r < kRows; ++r) {
        if (r != row)
            FUZZ_CHECK(grid.rowColor(r) == before.rowColor(r));
        for (int c = 0; c < cols; ++c) {
            const QString now = grid.cell(c, r);
            if (r != row || c == 0) {
                FUZZ_CHECK(now == before.cell(c, r));
            } else if (now != before.cell(c, r)) {
                // Written values come from the record, where a tilde that
                // opened a pair may stand as "[" in a value that a bracket
                // before it started.
                FUZZ_CHECK(now.isEmpty() || QString(record).replace(u'~', u'[').contains(now));
                FUZZ_CHECK(!now.contains(u'~'));
            }
        }
    }

    // Rows whose cells hold no tilde, bracket or line break come back as
    // they were.
    AnswerNo no;
    const std::optional<QString> text = ListRecord::createListRecords(grid, no);
    FUZZ_CHECK(text.has_value());
    for (int c = 0; c < cols; ++c)
        for (int r = 0; r < kRows; ++r)
            if (grid.cell(c, r).contains(u'\r') || grid.cell(c, r).contains(u'\n'))
                return 0;
    const QStringList records = text->split(QStringLiteral("\r\n"));
    FUZZ_CHECK(records.size() == kRows && records.last().isEmpty());   // a break after each of three records
    GridData rebuilt(cols, kRows);
    for (int r = 1; r < kRows; ++r) {
        bool plain = true;
        for (int c = 1; c < cols; ++c)
            plain = plain && pastesAsIs(grid.cell(c, r));
        if (!plain)
            continue;
        FUZZ_CHECK(ListRecord::paste(records[r - 1], rebuilt, r).status == ListRecord::PasteStatus::Pasted);
        for (int c = 1; c < cols; ++c)
            FUZZ_CHECK(rebuilt.cell(c, r) == grid.cell(c, r));
        FUZZ_CHECK(rebuilt.rowColor(r) == grid.rowColor(r));
    }
    return 0;
}
