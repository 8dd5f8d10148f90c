#include "app/desktop/modulefile.h"

#include <QLibrary>

bool ModuleFile::load(QString& error)
{
    if (m_handle)
        return true;
    // Kept for the run: a QLibrary that goes does not unload, but it is
    // what resolves.
    auto* library = new QLibrary(m_file);
    if (!library->load()) {
        error = library->errorString();
        delete library;
        return false;
    }
    m_handle = library;
    return true;
}

void ModuleFile::forget() { m_handle = nullptr; }

void* ModuleFile::resolve(const char* symbol) const
{
    return m_handle ? reinterpret_cast<void*>(static_cast<QLibrary*>(m_handle)->resolve(symbol)) : nullptr;
}
