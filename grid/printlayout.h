#pragma once

#include <QList>
#include <QLocale>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>

// Where a printed grid's texts go. Lengths are the screen pixels of the
// dialog's grid until cellRect() turns them into printer pixels with the
// integer scale; the printout is text only, one band per column and row,
// with the title row at the top of every page.
class GridData;

namespace PrintLayout {

constexpr int kPortraitLimit = 1100;
constexpr int kLandscapeLimit = 783;
constexpr int kTopOffset = 20;    // screen pixels above the first row
constexpr int kTextGap = 3;       // between a cell's text and the next column
// A column or scale beyond these is cut off by the paper anyway; bounding
// them keeps the printer coordinates inside int.
constexpr int kMaxColumnWidth = 10000;
constexpr int kMaxColumns = 1024;
constexpr int kMaxScale = 100;
// What of a cell can ever be seen: no column is wider than kMaxColumnWidth
// pixels, a printed row holds at most a few lines, and a visible character
// is at least a pixel wide. Measuring or laying out more is wasted.
constexpr qsizetype kMaxShownChars = 4 * kMaxColumnWidth;

inline int pageLimit(bool portrait) { return portrait ? kPortraitLimit : kLandscapeLimit; }

struct Band
{
    int left = 0;
    int right = 0;
};

// One pixel between neighbouring columns.
QList<Band> columnBands(const QList<int>& widths);

// How many columns, from the first, print whole across a page
// `printableWidth` printer pixels wide: the rest are cut at the paper's edge
// or left off. A width of 0 or less is no known limit: all of them.
int columnsAcross(const QList<Band>& bands, int scaleX, int printableWidth);

// Content widths that fill `available` screen pixels, the one-pixel gaps
// between columns included. A narrower table grows in proportion; a wider
// one shrinks its widest columns to one common width first, so a long note
// wraps before a trailer number does. A column of width 0 stays 0; with no
// width at all or no room for the gaps, the widths are returned as given.
QList<int> fitWidths(const QList<int>& widths, int available);

// Printer dots per screen pixel, by integer division; never below 1.
int scale(int printerDpi, int screenPpi);

enum class Style { Plain, Underlined, BoldUnderlined };

struct PlacedRow
{
    int page = 0;      // 0-based
    int row = 0;       // grid row; 0 is the title row
    int top = 0;       // screen pixels, before the top offset
    int bottom = 0;
    Style style = Style::Plain;
};

struct Page
{
    int rowHeight = 13;         // every row, the title row included
    bool portrait = false;
    int scaleY = 1;
    // The device's printable height in printer pixels; 0 or less: no limit
    // beyond the page limit.
    int printableHeight = 0;
};

// Rows 0 .. rowCount-1 in print order, with every new page's repeated title
// row (bold and underlined) before its first data row. A page ends when the
// next row's bottom would pass the page limit or the printable height; a
// data row that would be the first under a title is placed even when it
// does not fit, as no later page has more room.
QList<PlacedRow> placeRows(int rowCount, const Page& page);

// A cell's rectangle in printer pixels: left, top + offset, right - gap,
// bottom + offset, scaled.
QRect cellRect(const Band& band, const PlacedRow& row, int scaleX, int scaleY);

// The part of a cell that can be shown: all of it, or its first
// kMaxShownChars characters (a surrogate pair is not split).
QString shownPart(const QString& text);

// The width of a text's shown part as `measure` gives it, or `cap` when it
// is wider. Texts of up to kWholeMeasured characters are measured whole;
// longer ones by growing prefixes that stop once one reaches the cap, so a
// cell of millions of characters costs about as much as one that fills the
// widest column.
constexpr qsizetype kWholeMeasured = 1024;
int shownWidth(QStringView text, int cap, const std::function<int(QStringView)>& measure);

// How many first characters of a text to lay out to fill `width`: all of a
// text of up to `whole` characters; of a longer one, the first of the
// prefixes growing by fours from `whole` characters that is at least
// `width` wide (at most its shown part).
qsizetype filledLength(QStringView text, int width, const std::function<int(QStringView)>& measure,
                       qsizetype whole = kWholeMeasured);

// The lines a text breaks into at word boundaries (blanks) to fit `width`,
// measured by `measure`; a word wider than the line stays whole on its own.
// With `maxLines` above 0, only that many first lines are laid out.
QStringList wrapWords(QStringView text, int width, const std::function<int(QStringView)>& measure,
                      int maxLines = 0);

// The fill a row of colour `code` prints with, as 0x00BBGGRR, or -1 for
// none (codes 0 and 10, and any unknown). The row's colour is mixed with
// white until its grey is at least kMinTintGrey of 255, so black text stays
// legible when a grey-scale printer turns it into a shade.
constexpr int kMinTintGrey = 210;
int rowTint(int code);
// The grey (0..255) a grey-scale printer makes of a 0x00BBGGRR colour.
int greyOf(int value);

// The title row and the given data rows of `grid` (with their colours), in
// the grid's order; rows outside 1 .. rowCount-1 and repeats are ignored.
GridData pickRows(const GridData& grid, QList<int> dataRows);

// The paper a PDF is made on where no printer says otherwise: Letter in the
// territories that use it (the Americas from Canada to Chile, the
// Philippines), A4 everywhere else.
enum class Paper { A4, Letter };
Paper localPaper(const QLocale& locale);

// "Page n of m", the right of every page's heading.
QString pageNumberText(int page, int pages);

} // namespace PrintLayout
