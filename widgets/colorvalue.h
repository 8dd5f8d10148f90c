#pragma once

#include "grid/colorcodes.h"

#include <QColor>
#include <QPalette>
#include <QWidget>

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

// Fills a widget's background with `color`, as the board's panels are.
inline void setBackground(QWidget* w, const QColor& color)
{
    w->setAutoFillBackground(true);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, color);
    w->setPalette(pal);
}
