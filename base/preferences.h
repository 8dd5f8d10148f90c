#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The shared preferences, parm.scd in gsystem: 14 lines, line 1 a string of
// one-character option flags. While the program runs this struct is the live
// store the other parts read; the preferences dialog edits it.
//
// Numbers are held as read, so that a close writes back what the file held
// unless this workstation changed it; their uses go through the clamped
// accessors below.
struct Preferences
{
    static constexpr int kFlagCount = 17;
    static constexpr int kLineCount = 14;
    static constexpr int kFixedColor = 11393254;
    static constexpr int kMaxRowHeight = 200;
    static constexpr int kMaxFontSize = 96;
    static constexpr int kMaxUpdateSeconds = 3600;
    static constexpr double kMinPrintFontSize = 7;
    static constexpr double kMaxPrintFontSize = 14;

    // Flag positions 1..11, 16 and 17; 12..15 are kept in flagText as read.
    bool network = false;                  // 1 "Program used in network"
    bool autoMenu = false;                 // 2 "Auto menu at next cell"
    bool displayUser = false;              // 3 "Display user/computer"
    bool leadingZero = false;              // 4 "Leading zero in date"
    bool militaryTime = false;             // 5 "Use military time"
    bool askBeforeDeleting = false;        // 6
    bool timeOut = false;                  // 7 "Time out after 30 seconds"
    bool centerData = false;               // 8 "Center data in cells"
    int gridLines = 1;                     // 9: 1, 2 or 3 pixels
    int backup = 1;                        // 10: 1 Update, 2 Hourly, 3 Close
    bool portrait = false;                 // 11
    bool bold = false;                     // 16
    // The rest of the grid font's style lives in memory only; a style that
    // is not exactly bold is stored as regular.
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool clearColorWhenClearCell = false;  // 17
    QString flagText = QString(kFlagCount, u'0');

    QString updateInterval;                // line 2, as typed
    int rowHeight = 18;                    // line 3
    QString fontName = QStringLiteral("Verdana");
    int fontSize = 8;
    int fontColor = 0;                     // 0x00BBGGRR
    int fixedColor = kFixedColor;          // line 7, written only
    int width = 700;                       // lines 8..11: the remembered geometry
    int height = 570;
    int top = 70;
    int left = 70;
    QString title;                         // line 12, "" until a title of 2+ characters
    QString backupComputer;                // line 13
    double printFontSize = 7;              // line 14

    // The update interval in milliseconds, at most an hour; false when the
    // text is not a positive whole number of seconds (the caller keeps its
    // interval).
    bool updateIntervalMs(int& ms) const;

    int clampedRowHeight() const;        // 1..200 pixels
    int clampedFontSize() const;         // 1..96 points; 0 or less is the default 8
    double clampedPrintFontSize() const; // 7..14 points

    enum Backup { BackupUpdate = 1, BackupHourly = 2, BackupClose = 3 };
};

// Applies parm.scd's lines. A line that is missing or not a number where one
// is needed gives that value its default, and the other lines still apply;
// returns false when any line did so.
bool readParmLines(const QStringList& lines, Preferences& prefs);

// Flag 16: the grid font's style is exactly bold.
inline bool exactlyBold(const Preferences& p) { return p.bold && !p.italic && !p.underline && !p.strikeOut; }

// The main window placed from the remembered geometry (lines 8..11): where it
// went, and the numbers it was placed from.
struct WindowPlacement
{
    QRect placed;
    int width = 0;
    int height = 0;
    int top = 0;
    int left = 0;
};

// Places the window for the remembered geometry on screens with the given
// available areas: its size between `minimum` and the extent of the
// screens (the minimum wins), its place kept while every part of it lies on
// a screen. Otherwise it moves wholly inside the screen it stands on most
// (or the nearest one), shrunk to that screen where it is larger.
WindowPlacement placeWindow(const Preferences& prefs, const QList<QRect>& screens, const QSize& minimum);

// Remembers the window geometry `now`. While the window stands where
// `placement` put it, the numbers it was placed from stay, so placing
// alone never rewrites the file.
void rememberWindowGeometry(Preferences& prefs, const QRect& now, const WindowPlacement& placement);

// The 14 lines as "OK" writes them.
QStringList parmLines(const Preferences& prefs);

// What a close writes so that it never reverts another workstation's save:
// every line (every flag of line 1) this workstation left as it was in
// `base` (what it last read or wrote) is taken from `current`, the file as
// it now stands; only what it changed comes from `mine`.
QStringList mergeParmLines(const QStringList& base, const QStringList& mine, const QStringList& current);

// Privilege levels from users.scd.
namespace Privilege {
constexpr int None = 0;      // neither the Update group nor "Prefs"
constexpr int Update = 1;    // the Update group
constexpr int All = 2;       // the Update group and "Prefs"
}
int privilegeLevel(const QStringList& userLines, const QString& logonName);
