// The help file read into the page the board shows. Whatever the bytes, the
// page keeps its bounds, links only within the help or to the web, and no
// text holds a character the text document would take for structure.
#include "fuzz/fuzzcheck.h"
#include "store/helppage.h"

namespace {

bool followable(const QString& link)
{
    return (link.startsWith(u'#') && link.size() > 1) || link.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || link.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)
        || link.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
}

bool plainCharacters(const QString& text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == 0 || u == u'\n' || u == u'\r' || u == QChar::ParagraphSeparator || u == QChar::ObjectReplacementCharacter
            || u == 0xfdd0 || u == 0xfdd1)
            return false;
    }
    return true;
}

qsizetype checkParagraph(const HelpPage::Paragraph& p)
{
    qsizetype text = 0;
    FUZZ_CHECK(p.indent >= 0 && p.indent <= HelpPage::kMaxDepth);
    FUZZ_CHECK(p.kind != HelpPage::Kind::Heading || (p.level >= 1 && p.level <= 6));
    FUZZ_CHECK(!p.runs.isEmpty() || p.kind == HelpPage::Kind::Rule);
    for (const HelpPage::Run& r : p.runs) {
        FUZZ_CHECK(!r.text.isEmpty());
        FUZZ_CHECK(plainCharacters(r.text));
        FUZZ_CHECK(r.link.isEmpty() || followable(r.link));
        text += r.text.size();
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const HelpPage page = HelpPage::parse(TextFile::decode(fuzzBytes(data, size)));
    FUZZ_CHECK(page.title.size() <= HelpPage::kMaxTitle);
    if (page.tooComplex) {
        FUZZ_CHECK(page.blocks.isEmpty());
        FUZZ_CHECK(!page.reason.isEmpty());
        FUZZ_CHECK(page.plainText.size() <= HelpPage::kMaxPlainText + 1);
        return 0;
    }
    FUZZ_CHECK(page.reason.isEmpty() && page.plainText.isEmpty());
    qsizetype text = 0;
    qsizetype cells = 0;
    for (const HelpPage::Block& b : page.blocks) {
        if (!b.isTable) {
            text += checkParagraph(b.paragraph);
            continue;
        }
        FUZZ_CHECK(b.table.columns > 0 && !b.table.rows.isEmpty());
        cells += b.table.rows.size() * b.table.columns;
        for (const QList<HelpPage::Cell>& row : b.table.rows) {
            FUZZ_CHECK(row.size() <= b.table.columns);
            for (const HelpPage::Cell& cell : row)
                for (const HelpPage::Paragraph& p : cell.paragraphs)
                    text += checkParagraph(p);
        }
    }
    FUZZ_CHECK(cells <= HelpPage::kMaxCells);
    FUZZ_CHECK(text <= HelpPage::kMaxText);
    return 0;
}
