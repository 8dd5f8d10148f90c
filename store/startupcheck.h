#pragma once

#include "store/datafolder.h"

#include <QString>

// The board refuses to start without these four files, checked in this
// order; only the first missing one is reported. A gsystem or users folder
// that is a link is refused before them.
namespace StartupCheck {

// The message for an unusable folder or the first missing
// required file, or an empty string.
QString missingFileMessage(const DataFolder& folder);

} // namespace StartupCheck
