// A column's menu file: the first byte chooses whether the file exists and
// whether lines are cut at line breaks as the reader cuts them or at 0x1F,
// so that lines may hold breaks of their own; then the title up to the
// first NUL, then the file.
#include "fuzz/fuzzcheck.h"
#include "grid/columnmenu.h"

namespace {

bool hasLineBreak(const QString& s)
{
    return s.contains(u'\r') || s.contains(u'\n');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool exists = data[0] & 1;
    const bool rawLines = data[0] & 2;
    const QList<QByteArray> parts = fuzzParts(fuzzBytes(data + 1, size - 1), 2);
    const QString title = TextFile::decode(parts[0]);
    const QStringList lines = rawLines ? TextFile::decode(parts[1]).split(QChar(0x1F)) : fuzzLines(parts[1]);

    // Every physical line a caption may come from: a line with breaks in it
    // is several.
    qsizetype physical = 0;
    for (const QString& l : lines)
        physical += 1 + l.count(u'\r') + l.count(u'\n') - l.count(QStringLiteral("\r\n"));

    const QList<ColumnMenuItem> menu = buildColumnMenu(title, exists, lines);
    FUZZ_CHECK(menu.size() >= 4);
    FUZZ_CHECK(menu[0].kind == ColumnMenuItem::Head && menu[1].kind == ColumnMenuItem::UpdateOff
               && menu[2].kind == ColumnMenuItem::SkipCell && menu[3].kind == ColumnMenuItem::ClearCell);
    if (!exists) {
        FUZZ_CHECK(menu.size() == 4);
        FUZZ_CHECK(menu[0].caption == QStringLiteral("[EMPTY]"));
        return 0;
    }
    FUZZ_CHECK(menu[0].caption == title.toUpper());
    // One item a line at most, and DATE/TIME once, right after the fixed items.
    FUZZ_CHECK(menu.size() <= 5 + physical);
    for (qsizetype i = 1; i < menu.size(); ++i) {
        const ColumnMenuItem& item = menu[i];
        FUZZ_CHECK(item.kind != ColumnMenuItem::Head);
        FUZZ_CHECK(item.kind != ColumnMenuItem::DateTime || i == 4);
        if (item.kind != ColumnMenuItem::Value) {
            FUZZ_CHECK(!item.columnBreak);
            continue;
        }
        FUZZ_CHECK(i >= 4);
        // A pick writes the caption into a cell, which holds one line.
        FUZZ_CHECK(!hasLineBreak(item.caption));
        FUZZ_CHECK(!item.caption.contains(QStringLiteral("&Date")));
        FUZZ_CHECK(!item.columnBreak || !item.caption.contains(u'&'));
    }
    return 0;
}
