#include "store/helpmarkup.h"

#include <QHash>

#include <cstring>

namespace HelpMarkup {

namespace {

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


} // namespace

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

} // namespace HelpMarkup
