#pragma once

#include <QString>
#include <QStringView>

// The pieces the help page is read with: what each element means to the
// help, character references, and a tokenizer that keeps only the tags and
// attributes the help uses. Only the help page's reader includes this.
namespace HelpMarkup {

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

TagInfo tagOf(const QString& name);
bool isInline(Tag t);
// Character references: named ones with their ";", numeric ones with or
// without. One that is none stays as written.
QString decodeEntities(QStringView s);
QChar shownAs(QChar c);
bool isSpace(QChar c);
bool isNameChar(QChar c);
QString followableLink(const QString& href);

struct TagToken
{
    QString name;
    bool end = false;
    QString id;
    QString anchorName;   // <a name>
    QString href;
};

inline constexpr qsizetype kMaxAttributeValue = 2000;

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

} // namespace HelpMarkup
