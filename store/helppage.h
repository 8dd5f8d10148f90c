#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// The help file (Help.chm, HTML) as the board shows it: its text, headings,
// lists, simple tables and links, read by our own tolerant parser into a
// small bounded document. Anybody on the share can write the file, so Qt
// never sees its markup: nothing in it can make the board read another file
// (pictures, style sheets), and no nesting or size can make the layout hang
// or crash. A help beyond the bounds is given as its plain text instead.
struct HelpPage
{
    // Elements open inside one another (html, head, body and the table
    // sections do not count), elements in all, table cells in all (a
    // table's rows times its widest row), and characters of text.
    static constexpr int kMaxDepth = 12;
    static constexpr int kMaxElements = 20000;
    static constexpr int kMaxCells = 2000;
    static constexpr qsizetype kMaxText = 200000;
    // The plain text of a help beyond the bounds is cut here.
    static constexpr qsizetype kMaxPlainText = 200000;
    static constexpr qsizetype kMaxTitle = 200;

    enum Style : quint8 { Bold = 1, Italic = 2, Code = 4, Underline = 8 };
    struct Run
    {
        QString text;
        quint8 style = 0;
        // "#place" within the help, or a web or mail address; nothing else.
        QString link;
        // The places within the help (id, <a name>) that start here.
        QStringList anchors;
        bool operator==(const Run&) const = default;
    };

    enum class Kind { Text, Heading, ListItem, Preformatted, Rule };
    struct Paragraph
    {
        Kind kind = Kind::Text;
        int level = 0;        // a heading's 1..6
        int indent = 0;       // lists and quotes around it
        QString marker;       // a list item's "•" or "3."
        QList<Run> runs;
        QString text() const;
        bool operator==(const Paragraph&) const = default;
    };
    struct Cell
    {
        bool header = false;
        QList<Paragraph> paragraphs;
        bool operator==(const Cell&) const = default;
    };
    // A table inside a cell comes as lines of that cell, its cells apart
    // by tabs: only one level of tables is laid out.
    struct Table
    {
        int columns = 0;
        QList<QList<Cell>> rows;
        bool operator==(const Table&) const = default;
    };
    struct Block
    {
        bool isTable = false;
        Paragraph paragraph;
        Table table;
        bool operator==(const Block&) const = default;
    };

    QString title;
    QList<Block> blocks;
    // Set when the help broke a bound: `blocks` is then empty, `plainText`
    // holds its text (one line for each paragraph or table row), and
    // `reason` says which bound it broke.
    bool tooComplex = false;
    QString plainText;
    QString reason;

    static HelpPage parse(QStringView html);
};
