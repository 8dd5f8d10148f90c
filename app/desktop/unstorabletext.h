#pragma once

#include <QString>

class Messages;

// Before an editor saves `text`: true when every character of it can be
// stored, or when the user, told which characters the files would turn
// into "?", chose to save anyway; false to go back and edit.
bool confirmUnstorableText(Messages& messages, const QString& text);

// `text` as the data files will hold it.
QString asStored(const QString& text);
