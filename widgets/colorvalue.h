#pragma once

#include "grid/colorcodes.h"

#include <QColor>

// The data files store colours as 0x00BBGGRR integers (the Windows colour
// layout); these turn them into Qt colours and back.
inline QColor colorFromValue(int value)
{
    return QColor(ColorCodes::red(value), ColorCodes::green(value), ColorCodes::blue(value));
}

inline int colorValueOf(const QColor& color)
{
    return color.red() | (color.green() << 8) | (color.blue() << 16);
}
