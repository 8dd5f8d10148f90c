#include "store/helppage.h"

#include "store/helpmarkup.h"

#include <algorithm>

namespace {

using namespace HelpMarkup;

// Builds the page from the tokens, closing what the help left open the way
// browsers do for the common cases, and stops at the first bound broken.
class Builder
{
public:
    HelpPage run(QStringView html);

private:
    struct Open
    {
        Open(Tag tag, const QString& name, int level = 0, bool outer = false, const QString& link = {})
            : tag(tag), name(name), level(level), outer(outer), link(link)
        {
        }
        Tag tag;
        QString name;
        int level = 0;
        bool outer = false;   // a table, row or cell that is laid out
        int counter = 0;      // an ordered list's items so far
        QString link;
    };

    bool broken() const { return !m_page.reason.isEmpty(); }
    void breakBound(const QString& reason)
    {
        if (m_page.reason.isEmpty())
            m_page.reason = reason;
    }

    void startTag(const TagToken& t);
    // startTag for a paragraph of its own, a list item, a table's part.
    void startBlock(const TagToken& t, const TagInfo& info);
    void startItem(const TagToken& t);
    void startTablePart(const TagToken& t, const TagInfo& info);
    void endTag(const QString& name);
    void addText(QStringView raw);
    void appendRaw(const QString& text);
    void push(Open open);
    void closeTop();
    void closeDownTo(qsizetype index);
    qsizetype findOpen(const QString& name, bool crossCells) const;
    void closeInlines();
    void closeParagraphElement();
    void finishParagraph();
    void finishCell();
    void finishTable();
    int indent() const;
    int listDepth() const;

    HelpPage m_page;
    QList<Open> m_stack;
    HelpPage::Paragraph m_para;
    bool m_lastSpace = true;
    QStringList m_pendingAnchors;
    int m_pre = 0;
    int m_elements = 0;
    int m_cells = 0;
    qsizetype m_text = 0;

    bool m_inTable = false;
    HelpPage::Table m_table;
    QList<HelpPage::Paragraph> m_beforeTable;
    bool m_inCell = false;
    HelpPage::Cell m_cell;
    int m_innerTables = 0;
    int m_outerCells = 0;
};

int Builder::indent() const
{
    int n = 0;
    for (const Open& o : m_stack)
        if (o.tag == Tag::Quote || o.tag == Tag::List)
            ++n;
    return n;
}

int Builder::listDepth() const
{
    return int(std::count_if(m_stack.cbegin(), m_stack.cend(), [](const Open& o) { return o.tag == Tag::List; }));
}

void Builder::push(Open open)
{
    m_stack.append(std::move(open));
    if (m_stack.size() > HelpPage::kMaxDepth)
        breakBound(QStringLiteral("it nests elements more than %1 deep").arg(HelpPage::kMaxDepth));
}

void Builder::finishParagraph()
{
    // A trailing blank is no text; a paragraph of blanks is none at all.
    while (!m_para.runs.isEmpty()) {
        HelpPage::Run& last = m_para.runs.last();
        while (last.text.endsWith(u' '))
            last.text.chop(1);
        if (!last.text.isEmpty())
            break;
        m_pendingAnchors = last.anchors + m_pendingAnchors;
        m_para.runs.removeLast();
    }
    if (!m_para.runs.isEmpty() || m_para.kind == HelpPage::Kind::Rule) {
        if (m_inTable && m_inCell)
            m_cell.paragraphs.append(m_para);
        else if (m_inTable)
            m_beforeTable.append(m_para);
        else
            m_page.blocks.append({false, m_para, {}});
    }
    m_para = HelpPage::Paragraph();
    m_para.indent = indent();
    m_lastSpace = true;
}

void Builder::finishCell()
{
    if (!m_inCell)
        return;
    finishParagraph();
    if (m_table.rows.isEmpty())
        m_table.rows.emplaceBack();
    m_table.rows.last().append(m_cell);
    m_table.columns = std::max(m_table.columns, int(m_table.rows.last().size()));
    m_cell = HelpPage::Cell();
    m_inCell = false;
}

void Builder::finishTable()
{
    finishCell();
    finishParagraph();
    m_inTable = false;
    for (const HelpPage::Paragraph& p : std::as_const(m_beforeTable))
        m_page.blocks.append({false, p, {}});
    m_beforeTable.clear();
    // Every row as wide as the widest: that is what the layout costs. Its
    // cells were counted as they came, to stop early.
    const qsizetype laidOut = std::min<qsizetype>(qsizetype(m_table.rows.size()) * m_table.columns, HelpPage::kMaxCells + 1);
    m_cells += int(std::max<qsizetype>(0, laidOut - m_outerCells));
    m_outerCells = 0;
    if (m_cells > HelpPage::kMaxCells)
        breakBound(QStringLiteral("its tables have more than %1 cells").arg(HelpPage::kMaxCells));
    if (m_table.columns > 0)
        m_page.blocks.append({true, {}, m_table});
    m_table = HelpPage::Table();
    m_para.indent = indent();
}

void Builder::closeTop()
{
    const Open top = m_stack.takeLast();
    switch (top.tag) {
    case Tag::Cell:
        if (top.outer)
            finishCell();
        break;
    case Tag::Row:
        if (!top.outer)
            finishParagraph();   // the next row of a table in a cell starts a line
        break;
    case Tag::Table:
        if (top.outer) {
            finishTable();
        } else {
            finishParagraph();
            --m_innerTables;
        }
        break;
    case Tag::Pre:
        finishParagraph();
        --m_pre;
        break;
    case Tag::Paragraph:
    case Tag::Heading:
    case Tag::Quote:
    case Tag::List:
    case Tag::Item:
    case Tag::Term:
        finishParagraph();
        break;
    default:
        break;
    }
}

void Builder::closeDownTo(qsizetype index)
{
    while (m_stack.size() > index)
        closeTop();
}

qsizetype Builder::findOpen(const QString& name, bool crossCells) const
{
    for (qsizetype i = m_stack.size() - 1; i >= 0; --i) {
        if (m_stack[i].name == name)
            return i;
        const Tag t = m_stack[i].tag;
        if (!crossCells && (t == Tag::Cell || t == Tag::Table))
            return -1;
    }
    return -1;
}

void Builder::closeInlines()
{
    while (!m_stack.isEmpty() && isInline(m_stack.last().tag))
        closeTop();
}

void Builder::closeParagraphElement()
{
    // A block starting inside a paragraph or heading ends it, as in HTML.
    closeInlines();
    if (!m_stack.isEmpty() && (m_stack.last().name == u"p" || m_stack.last().tag == Tag::Heading))
        closeTop();
}

void Builder::appendRaw(const QString& text)
{
    if (text.isEmpty())
        return;
    m_text += text.size();
    if (m_text > HelpPage::kMaxText) {
        breakBound(QStringLiteral("it holds more than %1 characters of text").arg(HelpPage::kMaxText));
        return;
    }
    quint8 style = 0;
    QString link;
    for (const Open& o : std::as_const(m_stack)) {
        switch (o.tag) {
        case Tag::Bold: style |= HelpPage::Bold; break;
        case Tag::Italic: style |= HelpPage::Italic; break;
        case Tag::Code: style |= HelpPage::Code; break;
        case Tag::Underline: style |= HelpPage::Underline; break;
        case Tag::Term: style |= HelpPage::Bold; break;
        case Tag::Link: link = o.link; break;
        default: break;
        }
    }
    if (m_pre > 0)
        style |= HelpPage::Code;
    if (!m_para.runs.isEmpty() && m_pendingAnchors.isEmpty() && m_para.runs.last().style == style
        && m_para.runs.last().link == link) {
        m_para.runs.last().text += text;
        return;
    }
    m_para.runs.append({text, style, link, m_pendingAnchors});
    m_pendingAnchors.clear();
}

void Builder::addText(QStringView raw)
{
    if (raw.isEmpty())
        return;
    const QString decoded = decodeEntities(raw);
    QString text;
    text.reserve(decoded.size());
    if (m_pre > 0) {
        for (qsizetype i = 0; i < decoded.size(); ++i) {
            const QChar c = decoded[i];
            if (c == u'\r') {
                if (i + 1 < decoded.size() && decoded[i + 1] == u'\n')
                    continue;
                text += QChar(QChar::LineSeparator);
            } else if (c == u'\n') {
                // The line break that follows <pre> at once is not shown.
                if (!(m_para.runs.isEmpty() && text.isEmpty() && m_lastSpace))
                    text += QChar(QChar::LineSeparator);
            } else {
                text += shownAs(c);
            }
            m_lastSpace = false;
        }
    } else {
        for (const QChar c : decoded) {
            if (isSpace(c)) {
                if (!m_lastSpace)
                    text += u' ';
                m_lastSpace = true;
            } else {
                text += shownAs(c);
                m_lastSpace = false;
            }
        }
    }
    // Blanks between the rows and cells of a table belong to no cell.
    if (m_inTable && !m_inCell && text.trimmed().isEmpty())
        return;
    appendRaw(text);
}

void Builder::startTag(const TagToken& t)
{
    if (++m_elements > HelpPage::kMaxElements) {
        breakBound(QStringLiteral("it has more than %1 elements").arg(HelpPage::kMaxElements));
        return;
    }
    const TagInfo info = tagOf(t.name);
    // The places within the help: any element's id, a link's name.
    for (const QString& anchor : {t.id, info.tag == Tag::Link ? t.anchorName : QString()})
        if (!anchor.isEmpty() && m_pendingAnchors.size() < 16)
            m_pendingAnchors.append(anchor);

    switch (info.tag) {
    case Tag::Ignored:
    case Tag::RawText:
        return;
    case Tag::Break:
        appendRaw(QString(QChar::LineSeparator));
        m_lastSpace = true;
        return;
    case Tag::Rule:
        closeParagraphElement();
        finishParagraph();
        m_para.kind = HelpPage::Kind::Rule;
        finishParagraph();
        return;
    case Tag::Bold:
    case Tag::Italic:
    case Tag::Code:
    case Tag::Underline:
        push({info.tag, t.name});
        return;
    case Tag::Link:
        // A link inside a link ends the first.
        if (const qsizetype open = findOpen(t.name, false); open >= 0)
            closeDownTo(open);
        push({Tag::Link, t.name, 0, false, followableLink(t.href)});
        return;
    case Tag::Paragraph:
    case Tag::Heading:
    case Tag::Pre:
    case Tag::Quote:
    case Tag::List:
    case Tag::Term:
        startBlock(t, info);
        return;
    case Tag::Item:
        startItem(t);
        return;
    case Tag::Table:
    case Tag::Row:
    case Tag::Cell:
        startTablePart(t, info);
        return;
    }
}

void Builder::startBlock(const TagToken& t, const TagInfo& info)
{
    closeParagraphElement();
    if (info.tag == Tag::Term || (info.tag == Tag::Quote && t.name == u"dd")) {
        // A term or its description ends the one before it.
        for (const QString& sibling : {QStringLiteral("dt"), QStringLiteral("dd")})
            if (const qsizetype open = findOpen(sibling, false); open >= 0)
                closeDownTo(open);
    }
    finishParagraph();
    push({info.tag, t.name, info.level});
    m_para.indent = indent();
    if (info.tag == Tag::Heading) {
        m_para.kind = HelpPage::Kind::Heading;
        m_para.level = info.level;
    } else if (info.tag == Tag::Pre) {
        m_para.kind = HelpPage::Kind::Preformatted;
        ++m_pre;
    }
}

void Builder::startItem(const TagToken& t)
{
    closeParagraphElement();
    // An item ends the one before it in the same list.
    for (qsizetype i = m_stack.size() - 1; i >= 0; --i) {
        const Tag tag = m_stack[i].tag;
        if (tag == Tag::Item) {
            closeDownTo(i);
            break;
        }
        if (tag == Tag::List || tag == Tag::Cell || tag == Tag::Table)
            break;
    }
    finishParagraph();
    QString marker = QStringLiteral("\u2022");
    for (qsizetype i = m_stack.size() - 1; i >= 0; --i) {
        if (m_stack[i].tag == Tag::List) {
            if (m_stack[i].level == 1)
                marker = QStringLiteral("%1.").arg(++m_stack[i].counter);
            break;
        }
    }
    push({Tag::Item, t.name});
    m_para.kind = HelpPage::Kind::ListItem;
    m_para.indent = std::max(1, listDepth());
    m_para.marker = marker;
}

void Builder::startTablePart(const TagToken& t, const TagInfo& info)
{
    if (info.tag == Tag::Table) {
        closeParagraphElement();
        finishParagraph();
        if (!m_inTable) {
            m_inTable = true;
            push({Tag::Table, t.name, 0, true});
        } else {
            // Only the outermost table is laid out; one inside it is text.
            ++m_innerTables;
            push({Tag::Table, t.name, 0, false});
        }
        return;
    }
    if (!m_inTable) {
        closeParagraphElement();
        finishParagraph();
        return;
    }
    if (info.tag == Tag::Cell && ++m_cells > HelpPage::kMaxCells) {
        breakBound(QStringLiteral("its tables have more than %1 cells").arg(HelpPage::kMaxCells));
        return;
    }
    // The open cell (and for a row, the open row) of the innermost table ends.
    const bool outer = m_innerTables == 0;
    for (qsizetype i = m_stack.size() - 1; i >= 0; --i) {
        const Tag tag = m_stack[i].tag;
        if (tag == info.tag) {
            closeDownTo(i);
            break;
        }
        if (tag == Tag::Table || (info.tag == Tag::Cell && tag == Tag::Row))
            break;
    }
    if (info.tag == Tag::Row) {
        if (outer)
            m_table.rows.emplaceBack();
        else
            finishParagraph();
        push({Tag::Row, t.name, 0, outer});
        return;
    }
    if (outer) {
        ++m_outerCells;
        finishParagraph();
        if (m_table.rows.isEmpty())
            m_table.rows.emplaceBack();
        m_inCell = true;
        m_cell = HelpPage::Cell();
        m_cell.header = info.level == 1;
        m_para.indent = 0;
    } else if (!m_para.runs.isEmpty()) {
        appendRaw(QStringLiteral("\t"));
        m_lastSpace = true;
    }
    push({Tag::Cell, t.name, info.level, outer});
}

void Builder::endTag(const QString& name)
{
    const TagInfo info = tagOf(name);
    switch (info.tag) {
    case Tag::Ignored:
    case Tag::RawText:
    case Tag::Rule:
        return;
    case Tag::Break:
        // "</br>" breaks a line too, as browsers have it.
        appendRaw(QString(QChar::LineSeparator));
        m_lastSpace = true;
        return;
    default:
        break;
    }
    const bool tableTag = info.tag == Tag::Table || info.tag == Tag::Row || info.tag == Tag::Cell;
    const qsizetype open = findOpen(name, tableTag);
    if (open >= 0)
        closeDownTo(open);
    else if (info.tag == Tag::Paragraph || info.tag == Tag::Heading)
        finishParagraph();   // "</p>" with nothing open still ends a paragraph
}

HelpPage Builder::run(QStringView html)
{
    m_page = HelpPage();
    Tokenizer tokens(html);
    TagToken t;
    while (!tokens.atEnd() && !broken()) {
        addText(tokens.text());
        if (tokens.atEnd() || broken() || !tokens.tag(t))
            continue;
        if (t.end) {
            endTag(t.name);
            continue;
        }
        startTag(t);
        if (tagOf(t.name).tag == Tag::RawText) {
            const QStringView content = tokens.skipRawText(t.name);
            if (t.name == u"title" && m_page.title.isEmpty())
                m_page.title = decodeEntities(content.left(HelpPage::kMaxTitle * 4)).simplified().left(HelpPage::kMaxTitle);
        }
    }
    if (!broken())
        closeDownTo(0);
    if (!broken())
        finishParagraph();
    return m_page;
}

// The text of a help beyond the bounds: a line for each block and table
// row, cells apart by tabs, cut at kMaxPlainText.
QString plainTextOf(QStringView html)
{
    // Long lines are broken at a blank past kLine characters, or anywhere
    // past four times that: one line of megabytes would take the layout
    // seconds.
    constexpr qsizetype kLine = 1000;
    QString out;
    qsizetype lineStart = 0;
    bool lastSpace = true;
    const auto newLine = [&] {
        while (out.endsWith(u' '))
            out.chop(1);
        if (!out.isEmpty() && !out.endsWith(u'\n'))
            out += u'\n';
        lineStart = out.size();
        lastSpace = true;
    };
    Tokenizer tokens(html);
    TagToken t;
    while (!tokens.atEnd() && out.size() <= HelpPage::kMaxPlainText) {
        const QStringView raw = tokens.text();
        for (const QChar c : decodeEntities(raw.left(HelpPage::kMaxPlainText + 1))) {
            const qsizetype line = out.size() - lineStart;
            if (isSpace(c)) {
                if (line >= kLine)
                    newLine();
                else if (!lastSpace)
                    out += u' ';
                lastSpace = true;
            } else {
                if (line >= 4 * kLine)
                    newLine();
                out += shownAs(c);
                lastSpace = false;
            }
        }
        if (tokens.atEnd() || !tokens.tag(t))
            continue;
        const Tag tag = tagOf(t.name).tag;
        if (tag == Tag::RawText && !t.end) {
            (void)tokens.skipRawText(t.name);
        } else if (tag == Tag::Cell && !t.end) {
            if (!out.isEmpty() && !out.endsWith(u'\n'))
                out += u'\t';
            lastSpace = true;
        } else if (tag != Tag::Ignored && !isInline(tag) && tag != Tag::Cell) {
            newLine();
        }
    }
    if (out.size() > HelpPage::kMaxPlainText) {
        out.truncate(HelpPage::kMaxPlainText);
        out += QStringLiteral("\u2026");
    }
    return out.trimmed();
}

} // namespace

QString HelpPage::Paragraph::text() const
{
    QString t = marker.isEmpty() ? QString() : marker + u' ';
    for (const Run& r : runs)
        t += r.text;
    return t;
}

HelpPage HelpPage::parse(QStringView html)
{
    Builder builder;
    HelpPage page = builder.run(html);
    if (!page.reason.isEmpty()) {
        const QString title = page.title;
        const QString reason = page.reason;
        page = HelpPage();
        page.title = title;
        page.reason = reason;
        page.tooComplex = true;
        page.plainText = plainTextOf(html);
    }
    return page;
}
