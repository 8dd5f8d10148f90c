#pragma once

#include <QString>

class QLabel;
class QWidget;

// Text from the shared data folder is data, never markup: anybody who can
// write to the share could otherwise make every board load a file named in
// an HTML <img> (a FIFO hangs it), or eat a letter with an "&". These show a
// text exactly as written wherever Qt would read markup or marks in it.
namespace PlainText {

// A label that never takes its text for HTML.
QLabel* label(QWidget* parent);
void makePlain(QLabel* label);

// A tooltip shown as written: Qt takes a tooltip that looks like HTML for
// HTML, so such a text goes escaped into a paragraph that keeps its breaks.
QString toolTip(const QString& text);

// A window caption shown as written: "[*]" is not the window-modified mark.
QString windowTitle(const QString& text);

} // namespace PlainText
