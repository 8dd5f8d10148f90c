#include "app/dialogs/helpbrowser.h"

#include "store/helppage.h"
#include "widgets/boardstyle.h"

#include <QFontDatabase>
#include <QPointer>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>

namespace {

constexpr int kMaxIndent = 8;
constexpr QRgb kTableLine = qRgb(160, 144, 112);

QTextBlockFormat blockFormat(const HelpPage::Paragraph& p)
{
    QTextBlockFormat f;
    f.setIndent(std::clamp(p.indent, 0, kMaxIndent));
    f.setTopMargin(p.kind == HelpPage::Kind::Heading ? 14 : 3);
    f.setBottomMargin(3);
    switch (p.kind) {
    case HelpPage::Kind::Heading:
        f.setHeadingLevel(p.level);
        break;
    case HelpPage::Kind::Preformatted:
        f.setNonBreakableLines(true);
        break;
    case HelpPage::Kind::Rule:
        f.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
        break;
    case HelpPage::Kind::Text:
    case HelpPage::Kind::ListItem:
        break;
    }
    return f;
}

class PageWriter
{
public:
    explicit PageWriter(const QColor& linkColor) : m_linkColor(linkColor)
    {
        m_fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont).families();
    }

    void write(QTextCursor& cursor, const HelpPage& page)
    {
        bool fresh = true;   // the cursor stands in an empty block of its own
        for (const HelpPage::Block& b : page.blocks) {
            if (b.isTable) {
                writeTable(cursor, b.table);
                fresh = true;   // the document keeps an empty block after a table
                continue;
            }
            writeParagraph(cursor, b.paragraph, fresh, false);
            fresh = false;
        }
    }

private:
    QTextCharFormat baseFormat(const HelpPage::Paragraph& p, bool header) const
    {
        QTextCharFormat f;
        if (p.kind == HelpPage::Kind::Heading) {
            f.setFontWeight(QFont::Bold);
            f.setForeground(QColor(BoardStyle::kNavy));
            f.setProperty(QTextFormat::FontSizeAdjustment, std::max(0, 3 - p.level));
        }
        if (header)
            f.setFontWeight(QFont::Bold);
        return f;
    }

    void writeParagraph(QTextCursor& cursor, const HelpPage::Paragraph& p, bool fresh, bool header)
    {
        if (fresh)
            cursor.setBlockFormat(blockFormat(p));
        else
            cursor.insertBlock(blockFormat(p));
        const QTextCharFormat base = baseFormat(p, header);
        cursor.setCharFormat(base);
        if (!p.marker.isEmpty())
            cursor.insertText(p.marker + QStringLiteral("  "), base);
        for (const HelpPage::Run& r : p.runs) {
            QTextCharFormat f = base;
            if (r.style & HelpPage::Bold)
                f.setFontWeight(QFont::Bold);
            if (r.style & HelpPage::Italic)
                f.setFontItalic(true);
            if (r.style & HelpPage::Underline)
                f.setFontUnderline(true);
            if (r.style & HelpPage::Code) {
                f.setFontFamilies(m_fixed);
                f.setFontFixedPitch(true);
            }
            if (!r.link.isEmpty()) {
                f.setAnchor(true);
                f.setAnchorHref(r.link);
                f.setForeground(m_linkColor);
                f.setFontUnderline(true);
            }
            if (!r.anchors.isEmpty()) {
                f.setAnchor(true);
                f.setAnchorNames(r.anchors);
            }
            cursor.insertText(r.text, f);
        }
    }

    void writeTable(QTextCursor& cursor, const HelpPage::Table& t)
    {
        QTextTableFormat format;
        format.setBorder(1);
        format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
        format.setBorderBrush(QColor(kTableLine));
        format.setBorderCollapse(true);
        format.setCellSpacing(0);
        format.setCellPadding(3);
        format.setTopMargin(4);
        format.setBottomMargin(4);
        QTextTable* table = cursor.insertTable(int(t.rows.size()), t.columns, format);
        for (int r = 0; r < t.rows.size(); ++r) {
            const QList<HelpPage::Cell>& row = t.rows[r];
            for (int c = 0; c < row.size(); ++c) {
                const HelpPage::Cell& cell = row[c];
                QTextTableCell place = table->cellAt(r, c);
                if (cell.header) {
                    QTextTableCellFormat cf = place.format().toTableCellFormat();
                    cf.setBackground(QColor(BoardStyle::kFixedCell));
                    place.setFormat(cf);
                }
                QTextCursor at = place.firstCursorPosition();
                bool fresh = true;
                for (const HelpPage::Paragraph& p : cell.paragraphs) {
                    writeParagraph(at, p, fresh, cell.header);
                    fresh = false;
                }
            }
        }
        cursor.movePosition(QTextCursor::End);
    }

    QColor m_linkColor;
    QStringList m_fixed;
};

} // namespace

HelpBrowser::HelpBrowser(QWidget* parent) : QTextBrowser(parent)
{
    // Links are handled by the help window: anchors within the page only.
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

void HelpBrowser::showPage(const HelpPage& page)
{
    // Built apart and then shown: the view lays it out once.
    auto* doc = new QTextDocument(this);
    doc->setUndoRedoEnabled(false);
    doc->setDefaultFont(font());
    doc->setDocumentMargin(10);
    doc->setMetaInformation(QTextDocument::DocumentTitle, page.title);
    QTextCursor cursor(doc);
    if (page.tooComplex) {
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("This help is shown as plain text, because %1.").arg(page.reason), bold);
        QTextBlockFormat lines;
        lines.setTopMargin(8);
        cursor.insertBlock(lines, QTextCharFormat());
        cursor.insertText(page.plainText);
    } else {
        PageWriter(palette().color(QPalette::Link)).write(cursor, page);
        // The page starts at its margin, so that a link to its top lands there.
        QTextCursor start(doc);
        QTextBlockFormat first = start.blockFormat();
        first.setTopMargin(0);
        start.setBlockFormat(first);
    }
    // The view deletes the document it made itself; ours go here.
    const QPointer<QTextDocument> old = document();
    setDocument(doc);
    if (old && old->parent() == this)
        delete old;
}

QVariant HelpBrowser::loadResource(int, const QUrl&)
{
    // Empty, but not nothing: for nothing the text document reads a local
    // file of that name itself (a picture elsewhere, /dev/zero).
    return QByteArray();
}
