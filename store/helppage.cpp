#include "store/helppage.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace {

// What an element means here; anything not listed is left out, its text kept.
enum class Tag : quint8 {
    Ignored,
    Paragraph,   // p, div and other blocks without a look of their own
    Heading,
    Pre,
    Quote,       // blockquote, dd
    List,        // ul, ol (the Open entry says which)
    Item,        // li
    Term,        // dt
    Table,
    Row,
    Cell,        // td, th
    Break,
    Rule,
    Bold,
    Italic,
    Code,
    Underline,
    Link,
    RawText,     // script, style, title and the like: content skipped
};

struct TagInfo
{
    Tag tag = Tag::Ignored;
    int level = 0;   // the heading's level; 1 for th, ol
};

TagInfo tagOf(const QString& name)
{
    static const QHash<QString, TagInfo> tags = [] {
        QHash<QString, TagInfo> t;
        for (const char* n : {"p", "div", "section", "article", "header", "footer", "nav", "main", "aside", "address",
                              "center", "figure", "figcaption", "form", "fieldset", "legend", "details", "summary",
                              "caption", "dl"})
            t.insert(QString::fromLatin1(n), {Tag::Paragraph, 0});
        for (int h = 1; h <= 6; ++h)
            t.insert(QStringLiteral("h%1").arg(h), {Tag::Heading, h});
        for (const char* n : {"pre", "listing", "plaintext"})
            t.insert(QString::fromLatin1(n), {Tag::Pre, 0});
        for (const char* n : {"blockquote", "dd"})
            t.insert(QString::fromLatin1(n), {Tag::Quote, 0});
        for (const char* n : {"ul", "menu", "dir"})
            t.insert(QString::fromLatin1(n), {Tag::List, 0});
        t.insert(QStringLiteral("ol"), {Tag::List, 1});
        t.insert(QStringLiteral("li"), {Tag::Item, 0});
        t.insert(QStringLiteral("dt"), {Tag::Term, 0});
        t.insert(QStringLiteral("table"), {Tag::Table, 0});
        t.insert(QStringLiteral("tr"), {Tag::Row, 0});
        t.insert(QStringLiteral("td"), {Tag::Cell, 0});
        t.insert(QStringLiteral("th"), {Tag::Cell, 1});
        t.insert(QStringLiteral("br"), {Tag::Break, 0});
        t.insert(QStringLiteral("hr"), {Tag::Rule, 0});
        for (const char* n : {"b", "strong"})
            t.insert(QString::fromLatin1(n), {Tag::Bold, 0});
        for (const char* n : {"i", "em", "cite", "dfn", "var"})
            t.insert(QString::fromLatin1(n), {Tag::Italic, 0});
        for (const char* n : {"code", "tt", "kbd", "samp"})
            t.insert(QString::fromLatin1(n), {Tag::Code, 0});
        for (const char* n : {"u", "ins"})
            t.insert(QString::fromLatin1(n), {Tag::Underline, 0});
        t.insert(QStringLiteral("a"), {Tag::Link, 0});
        for (const char* n : {"script", "style", "title", "textarea", "xmp", "iframe", "noembed", "noframes",
                              "noscript", "template", "svg", "math", "object", "select"})
            t.insert(QString::fromLatin1(n), {Tag::RawText, 0});
        return t;
    }();
    return tags.value(name);
}

bool isInline(Tag t)
{
    return t == Tag::Bold || t == Tag::Italic || t == Tag::Code || t == Tag::Underline || t == Tag::Link;
}

const QHash<QString, char32_t>& namedEntities()
{
    static const QHash<QString, char32_t> entities = [] {
        QHash<QString, char32_t> e;
        const struct { const char* name; char32_t c; } table[] = {
            {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", 0xa0},
            {"iexcl", 0xa1}, {"cent", 0xa2}, {"pound", 0xa3}, {"curren", 0xa4}, {"yen", 0xa5}, {"brvbar", 0xa6},
            {"sect", 0xa7}, {"uml", 0xa8}, {"copy", 0xa9}, {"ordf", 0xaa}, {"laquo", 0xab}, {"not", 0xac},
            {"shy", 0xad}, {"reg", 0xae}, {"macr", 0xaf}, {"deg", 0xb0}, {"plusmn", 0xb1}, {"sup2", 0xb2},
            {"sup3", 0xb3}, {"acute", 0xb4}, {"micro", 0xb5}, {"para", 0xb6}, {"middot", 0xb7}, {"cedil", 0xb8},
            {"sup1", 0xb9}, {"ordm", 0xba}, {"raquo", 0xbb}, {"frac14", 0xbc}, {"frac12", 0xbd}, {"frac34", 0xbe},
            {"iquest", 0xbf}, {"Agrave", 0xc0}, {"Aacute", 0xc1}, {"Acirc", 0xc2}, {"Atilde", 0xc3}, {"Auml", 0xc4},
            {"Aring", 0xc5}, {"AElig", 0xc6}, {"Ccedil", 0xc7}, {"Egrave", 0xc8}, {"Eacute", 0xc9}, {"Ecirc", 0xca},
            {"Euml", 0xcb}, {"Igrave", 0xcc}, {"Iacute", 0xcd}, {"Icirc", 0xce}, {"Iuml", 0xcf}, {"ETH", 0xd0},
            {"Ntilde", 0xd1}, {"Ograve", 0xd2}, {"Oacute", 0xd3}, {"Ocirc", 0xd4}, {"Otilde", 0xd5}, {"Ouml", 0xd6},
            {"times", 0xd7}, {"Oslash", 0xd8}, {"Ugrave", 0xd9}, {"Uacute", 0xda}, {"Ucirc", 0xdb}, {"Uuml", 0xdc},
            {"Yacute", 0xdd}, {"THORN", 0xde}, {"szlig", 0xdf}, {"agrave", 0xe0}, {"aacute", 0xe1}, {"acirc", 0xe2},
            {"atilde", 0xe3}, {"auml", 0xe4}, {"aring", 0xe5}, {"aelig", 0xe6}, {"ccedil", 0xe7}, {"egrave", 0xe8},
            {"eacute", 0xe9}, {"ecirc", 0xea}, {"euml", 0xeb}, {"igrave", 0xec}, {"iacute", 0xed}, {"icirc", 0xee},
            {"iuml", 0xef}, {"eth", 0xf0}, {"ntilde", 0xf1}, {"ograve", 0xf2}, {"oacute", 0xf3}, {"ocirc", 0xf4},
            {"otilde", 0xf5}, {"ouml", 0xf6}, {"divide", 0xf7}, {"oslash", 0xf8}, {"ugrave", 0xf9}, {"uacute", 0xfa},
            {"ucirc", 0xfb}, {"uuml", 0xfc}, {"yacute", 0xfd}, {"thorn", 0xfe}, {"yuml", 0xff}, {"OElig", 0x152},
            {"oelig", 0x153}, {"Scaron", 0x160}, {"scaron", 0x161}, {"Yuml", 0x178}, {"fnof", 0x192},
            {"circ", 0x2c6}, {"tilde", 0x2dc}, {"ensp", 0x2002}, {"emsp", 0x2003}, {"thinsp", 0x2009},
            {"zwnj", 0x200c}, {"zwj", 0x200d}, {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018},
            {"rsquo", 0x2019}, {"sbquo", 0x201a}, {"ldquo", 0x201c}, {"rdquo", 0x201d}, {"bdquo", 0x201e},
            {"dagger", 0x2020}, {"Dagger", 0x2021}, {"bull", 0x2022}, {"hellip", 0x2026}, {"permil", 0x2030},
            {"prime", 0x2032}, {"lsaquo", 0x2039}, {"rsaquo", 0x203a}, {"euro", 0x20ac}, {"trade", 0x2122},
            {"larr", 0x2190}, {"uarr", 0x2191}, {"rarr", 0x2192}, {"darr", 0x2193}, {"harr", 0x2194},
            {"minus", 0x2212}, {"le", 0x2264}, {"ge", 0x2265}, {"ne", 0x2260},
        };
        for (const auto& entry : table)
            e.insert(QString::fromLatin1(entry.name), entry.c);
        return e;
    }();
    return entities;
}

void appendCodePoint(QString& out, char32_t c)
{
    // NUL, surrogates and what lies beyond Unicode are no characters.
    if (c == 0 || (c >= 0xd800 && c <= 0xdfff) || c > 0x10ffff)
        c = 0xfffd;
    const char32_t one[] = {c};
    out += QString::fromUcs4(one, 1);
}

// Character references: named ones with their ";", numeric ones with or
// without. One that is none stays as written.
QString decodeEntities(QStringView s)
{
    if (!s.contains(u'&'))
        return s.toString();
    QString out;
    out.reserve(s.size());
    qsizetype i = 0;
    while (i < s.size()) {
        const QChar c = s[i];
        if (c != u'&') {
            out += c;
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        if (j < s.size() && s[j] == u'#') {
            ++j;
            const bool hex = j < s.size() && (s[j] == u'x' || s[j] == u'X');
            if (hex)
                ++j;
            const qsizetype digitsStart = j;
            const auto digit = [hex](QChar ch) -> int {
                const char16_t u = ch.unicode();
                if (u >= u'0' && u <= u'9')
                    return u - u'0';
                if (hex && u >= u'a' && u <= u'f')
                    return u - u'a' + 10;
                if (hex && u >= u'A' && u <= u'F')
                    return u - u'A' + 10;
                return -1;
            };
            char32_t value = 0;
            for (int d = 0; j < s.size() && j - digitsStart < 8 && (d = digit(s[j])) >= 0; ++j)
                value = value * (hex ? 16 : 10) + char32_t(d);
            if (j == digitsStart) {
                out += c;
                ++i;
                continue;
            }
            appendCodePoint(out, value);
            if (j < s.size() && s[j] == u';')
                ++j;
            i = j;
            continue;
        }
        while (j < s.size() && j - i <= 10 && s[j].isLetterOrNumber() && s[j].unicode() < 128)
            ++j;
        if (j < s.size() && s[j] == u';' && j > i + 1) {
            const auto found = namedEntities().constFind(s.mid(i + 1, j - i - 1).toString());
            if (found != namedEntities().constEnd()) {
                appendCodePoint(out, *found);
                i = j + 1;
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

// Characters a text document takes for structure, not text.
QChar shownAs(QChar c)
{
    switch (c.unicode()) {
    case 0:
    case QChar::ParagraphSeparator:
    case QChar::ObjectReplacementCharacter:
    case 0xfdd0:   // a frame's start and end in a text document
    case 0xfdd1:
        return QChar(QChar::ReplacementCharacter);
    default:
        return c;
    }
}

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

bool isNameChar(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'-'
        || c == u'_' || c == u':';
}

// A link the board may follow: a place within the help, or a web or mail
// address for the desktop's browser. Anything else (a file, a script) is text.
QString followableLink(const QString& href)
{
    const QString h = href.trimmed();
    if (h.size() > 1 && h.startsWith(u'#'))
        return h;
    for (const char* scheme : {"http://", "https://", "mailto:"})
        if (h.startsWith(QLatin1String(scheme), Qt::CaseInsensitive) && h.size() > qsizetype(strlen(scheme)))
            return h;
    return {};
}

// A tag as the tokenizer reads it: its name in lower case and the only
// attributes the help keeps.
struct TagToken
{
    QString name;
    bool end = false;
    QString id;
    QString anchorName;   // <a name>
    QString href;
};

constexpr qsizetype kMaxAttributeValue = 2000;

class Tokenizer
{
public:
    explicit Tokenizer(QStringView s) : m_s(s) {}

    bool atEnd() const { return m_i >= m_s.size(); }

    // The text up to the next tag, markup declaration or the end.
    QStringView text()
    {
        const qsizetype start = m_i;
        while (m_i < m_s.size()) {
            if (m_s[m_i] == u'<' && m_i + 1 < m_s.size()) {
                const QChar n = m_s[m_i + 1];
                if (n.isLetter() || n == u'/' || n == u'!' || n == u'?')
                    break;
            }
            ++m_i;
        }
        return m_s.mid(start, m_i - start);
    }

    // At a "<": reads a tag; false for a comment, declaration or stray "</".
    bool tag(TagToken& t)
    {
        t = TagToken();
        ++m_i;   // "<"
        if (m_i < m_s.size() && m_s[m_i] == u'!') {
            if (m_s.mid(m_i, 3) == u"!--") {
                const qsizetype close = m_s.indexOf(u"-->", m_i + 3);
                m_i = close < 0 ? m_s.size() : close + 3;
            } else {
                skipPast(u'>');
            }
            return false;
        }
        if (m_i < m_s.size() && m_s[m_i] == u'?') {
            skipPast(u'>');
            return false;
        }
        if (m_i < m_s.size() && m_s[m_i] == u'/') {
            t.end = true;
            ++m_i;
        }
        const qsizetype nameStart = m_i;
        while (m_i < m_s.size() && isNameChar(m_s[m_i]))
            ++m_i;
        t.name = m_s.mid(nameStart, m_i - nameStart).toString().toLower();
        if (t.name.isEmpty()) {
            skipPast(u'>');
            return false;
        }
        readAttributes(t);
        return true;
    }

    // Skips the content of a raw-text element; returns it.
    QStringView skipRawText(const QString& name)
    {
        const qsizetype start = m_i;
        qsizetype at = m_i;
        while (true) {
            at = m_s.indexOf(u"</", at);
            if (at < 0) {
                m_i = m_s.size();
                return m_s.mid(start);
            }
            const QStringView candidate = m_s.mid(at + 2, name.size());
            const qsizetype after = at + 2 + name.size();
            if (candidate.compare(name, Qt::CaseInsensitive) == 0
                && (after >= m_s.size() || !isNameChar(m_s[after]))) {
                const QStringView content = m_s.mid(start, at - start);
                m_i = at + 2;
                skipPast(u'>');
                return content;
            }
            at += 2;
        }
    }

private:
    void skipPast(QChar c)
    {
        const qsizetype at = m_s.indexOf(c, m_i);
        m_i = at < 0 ? m_s.size() : at + 1;
    }

    void readAttributes(TagToken& t)
    {
        while (m_i < m_s.size()) {
            while (m_i < m_s.size() && (isSpace(m_s[m_i]) || m_s[m_i] == u'/'))
                ++m_i;
            if (m_i >= m_s.size())
                return;
            if (m_s[m_i] == u'>') {
                ++m_i;
                return;
            }
            const qsizetype nameStart = m_i;
            while (m_i < m_s.size() && !isSpace(m_s[m_i]) && m_s[m_i] != u'=' && m_s[m_i] != u'>'
                   && m_s[m_i] != u'/')
                ++m_i;
            if (m_i == nameStart)
                ++m_i;   // a lone "=": skip it
            const QStringView name = m_s.mid(nameStart, m_i - nameStart);
            while (m_i < m_s.size() && isSpace(m_s[m_i]))
                ++m_i;
            QStringView value;
            if (m_i < m_s.size() && m_s[m_i] == u'=') {
                ++m_i;
                while (m_i < m_s.size() && isSpace(m_s[m_i]))
                    ++m_i;
                if (m_i < m_s.size() && (m_s[m_i] == u'"' || m_s[m_i] == u'\'')) {
                    const QChar quote = m_s[m_i++];
                    const qsizetype close = m_s.indexOf(quote, m_i);
                    const qsizetype end = close < 0 ? m_s.size() : close;
                    value = m_s.mid(m_i, end - m_i);
                    m_i = close < 0 ? end : end + 1;
                } else {
                    const qsizetype start = m_i;
                    while (m_i < m_s.size() && !isSpace(m_s[m_i]) && m_s[m_i] != u'>')
                        ++m_i;
                    value = m_s.mid(start, m_i - start);
                }
            }
            if (value.size() > kMaxAttributeValue)
                continue;
            if (name.compare(u"id", Qt::CaseInsensitive) == 0)
                t.id = decodeEntities(value).trimmed();
            else if (name.compare(u"name", Qt::CaseInsensitive) == 0)
                t.anchorName = decodeEntities(value).trimmed();
            else if (name.compare(u"href", Qt::CaseInsensitive) == 0)
                t.href = decodeEntities(value);
        }
    }

    QStringView m_s;
    qsizetype m_i = 0;
};

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
        return;
    case Tag::Item: {
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
        return;
    }
    case Tag::Table:
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
    case Tag::Row:
    case Tag::Cell: {
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
        return;
    }
    }
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
