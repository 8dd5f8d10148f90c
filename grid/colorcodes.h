#pragma once

#include <QString>
#include <QStringList>

// The row colour codes 0..11: their colour menu captions, the colour words
// list records use, and their fill as a 0x00BBGGRR colour value.
namespace ColorCodes {

constexpr int None = 0;
constexpr int Red = 1;
constexpr int Orange = 2;
constexpr int Yellow = 3;
constexpr int Blue = 4;
constexpr int Green = 5;
constexpr int Gray = 6;
constexpr int Violet = 7;
constexpr int Beige = 8;
constexpr int Mask = 9;     // the only code that also paints the fixed left column
constexpr int Clear = 10;   // painted with the window colour; not the same as 0
constexpr int Brown = 11;

// "Color Red" ... for codes 1..11; empty for 0.
QString menuCaption(int code);
// The code of a colour word ("Red", "red", "White", "clear", ...), or -1.
int fromName(const QString& name);
// The word a list record gives code 1..11 ("White" for 10); empty otherwise.
QString recordWord(int code);
// 0x00BBGGRR fill; -1 for 0 (no fill) and for 10 (the platform's window colour).
int fillValue(int code);

// Red, green and blue of a 0x00BBGGRR colour value.
inline int red(int value) { return value & 0xFF; }
inline int green(int value) { return (value >> 8) & 0xFF; }
inline int blue(int value) { return (value >> 16) & 0xFF; }

} // namespace ColorCodes
