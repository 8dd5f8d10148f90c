#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

class QWidget;

// The board's look in one place: its colours by name, the palettes its
// windows and dialogs wear, and the fonts that keep a fixed pixel size
// whatever the screen's resolution setting. The grid's row colours are
// data, not style: they live with the colour codes.
namespace BoardStyle {

inline constexpr QRgb kBoard = qRgb(231, 223, 173);           // windows, dialogs, the button bar
inline constexpr QRgb kButtonBarEdge = qRgb(225, 195, 120);   // the rim around the button bar
inline constexpr QRgb kFixedCell = qRgb(230, 216, 173);       // the grid's fixed column and title row
inline constexpr QRgb kCell = qRgb(255, 255, 255);
inline constexpr QRgb kGridLine = qRgb(192, 192, 192);
inline constexpr QRgb kPrintedGridLine = qRgb(96, 96, 96);
inline constexpr QRgb kNavy = qRgb(0, 0, 128);                // captions and the calendar's text
inline constexpr QRgb kGreyedText = qRgb(128, 128, 128);
inline constexpr QRgb kPaleCell = qRgb(248, 232, 168);        // calendar days, business hours, help notes
inline constexpr QRgb kHelpPanel = qRgb(192, 176, 144);

// The palettes, each changing only the roles it names in the widget's own.
enum class Look {
    Board,         // background kBoard
    ButtonBarEdge, // background kButtonBarEdge
    HelpPanel,     // background kHelpPanel
    HelpNote,      // background kPaleCell, navy text
    NavyCaption,   // navy window text
    NavyText,      // navy text
    PaleCells,     // kPaleCell base, navy text
    WhiteCells,    // white base
    NavyButton,    // navy button text, greyed when disabled
};

QPalette palette(const QPalette& base, Look look);
// Gives `w` the look; the background looks also fill the widget's background.
void apply(QWidget* w, Look look);

// The forms' fonts were designed in points at 96 pixels per inch; pixels
// keep them from growing with the screen's resolution setting.
inline constexpr int kDateTimeFormPixels = 11;   // 8 points
inline constexpr int kSortPrintFormPixels = 9;   // 7 points
inline constexpr int kHelpMarkPixels = 14;

// `points` at 96 pixels per inch, rounded.
constexpr int pixelsOfPoints(int points)
{
    return (points * 96 + 36) / 72;
}
// `base` at `pixels` pixels.
QFont pixelFont(const QFont& base, int pixels);
// The family to ask for in place of `family`: itself when it is installed,
// else the installed face the usual font configuration draws in its place
// (on Linux, DejaVu Sans for Verdana, Liberation Sans for Arial), else
// `family` again. Asking Qt for a family that is not installed makes it sort
// every installed font by likeness, at every start; the stand-in named
// directly draws the same text without that.
QString installedFamily(const QString& family);
// The name to store for a family picked on this machine: the Windows family
// it stands in for, when it is that family's stand-in here, so that the
// shared preferences keep Verdana for the workstations that have it; else
// the family picked.
QString storedFamily(const QString& picked);
// The small "Tray" caption of the button bar.
QFont trayFont();

} // namespace BoardStyle
