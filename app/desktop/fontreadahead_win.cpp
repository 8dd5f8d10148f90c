#include "app/desktop/fontreadahead.h"

// Windows' font system is the system's own and is always loaded.
FontReadAhead::FontReadAhead() = default;

FontReadAhead::~FontReadAhead() = default;

void FontReadAhead::wait() {}
