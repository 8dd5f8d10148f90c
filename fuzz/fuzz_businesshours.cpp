// timegrid.scd and mtimegrid.scd, the business-hours tables.
#include "fuzz/fuzzcheck.h"
#include "store/businesshours.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QStringList lines = fuzzLines(fuzzBytes(data, size));
    const BusinessHours::Table t = BusinessHours::parse(lines);

    // Counts never leave 1..1024, however the file states them.
    FUZZ_CHECK(t.columns == 0 || (t.columns >= 1 && t.columns <= BusinessHours::kMaxCount));
    FUZZ_CHECK(t.rows == 0 || (t.rows >= 1 && t.rows <= BusinessHours::kMaxCount));
    FUZZ_CHECK(t.rows == 0 || t.columns > 0);
    if (!t.complete()) {
        FUZZ_CHECK(t.cells.isEmpty());
        return 0;
    }
    // Every cell is there, each the file's line or empty past its end.
    FUZZ_CHECK(t.cells.size() == qsizetype(t.columns) * t.rows);
    for (qsizetype i = 0; i < t.cells.size(); ++i)
        FUZZ_CHECK(t.cells[i] == lines.value(i + 2));
    return 0;
}
