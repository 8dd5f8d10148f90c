#pragma once

#include <QString>

// A module beside the executable, loaded at its first use and never
// unloaded: what it made must outlive the loader.
//
// On Linux it is loaded from a private copy of its file. A plain cp over the
// file on the share writes into it in place, which would change the code of
// a board that runs it; a FIFO or device planted under its name is refused
// rather than waited on, and a file cut short rather than mapped past its
// end. Windows refuses to write over a DLL in use, and loads the file itself.
class ModuleFile
{
public:
    explicit ModuleFile(const QString& file) : m_file(file) {}

    const QString& file() const { return m_file; }
    // True once loaded (at once when it already was); otherwise `error` says
    // why, and the next call tries again.
    bool load(QString& error);
    bool isLoaded() const { return m_handle != nullptr; }
    // An entry of the loaded module, or null.
    void* resolve(const char* symbol) const;
    // Sets aside a module that turned out to be the wrong one, without
    // unloading it (its entries are never called): the next load reads the
    // file again.
    void forget();

private:
    QString m_file;
    void* m_handle = nullptr;
};
