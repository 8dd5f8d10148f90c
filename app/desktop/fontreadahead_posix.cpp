#include "app/desktop/fontreadahead.h"

#include <dlfcn.h>

FontReadAhead::FontReadAhead()
{
    // Looked up rather than linked: it is the fontconfig Qt's own font
    // database has already loaded, and where Qt does not use fontconfig the
    // symbol is absent and nothing is started. FcInit is thread-safe.
    using Init = int (*)();
    // The thread's heap keeps the configuration, and the pages of what
    // reading it took and gave back: those go back to the system (glibc).
    using Trim = int (*)(size_t);
    const auto trim = reinterpret_cast<Trim>(dlsym(RTLD_DEFAULT, "malloc_trim"));
    if (const auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FcInit"))) {
        m_thread = std::thread([init, trim] {
            init();
            if (trim)
                trim(0);
        });
    }
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
