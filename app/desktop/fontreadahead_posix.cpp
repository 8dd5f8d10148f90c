#include "app/desktop/fontreadahead.h"

#include <dlfcn.h>

FontReadAhead::FontReadAhead()
{
    // Looked up rather than linked: it is the fontconfig Qt's own font
    // database has already loaded, and where Qt does not use fontconfig the
    // symbol is absent and nothing is started. FcInit is thread-safe.
    using Init = int (*)();
    if (const auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FcInit")))
        m_thread = std::thread([init] { init(); });
}

FontReadAhead::~FontReadAhead()
{
    wait();
}

void FontReadAhead::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}
