#pragma once

#include "grid/griddata.h"
#include "store/datafolder.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Whole files by absolute path, for tests that place their own files:
// "<missing>" for a file that cannot be read; false when the write failed.
QByteArray readAll(const QString& path);
bool writeRaw(const QString& path, const QByteArray& bytes);

// A temporary data folder with the four sub-folders, optionally filled with
// the minimal files a board needs to start.
class TestFolder
{
public:
    TestFolder();
    bool isValid() const { return m_dir.isValid(); }
    QString root() const { return m_dir.path(); }
    DataFolder folder() const { return DataFolder(m_dir.path()); }

    // parm.scd, a small sgrid.scd and bsgrid.scd with colour files,
    // users.scd ("All") and empty button images.
    void writeMinimalData();
    // Copies the installation data of the source tree's data/ folder.
    void copyInstallationData();

    void writeFile(const QString& relative, const QByteArray& bytes) const;
    QByteArray readFile(const QString& relative) const;
    bool exists(const QString& relative) const;
    QString path(const QString& relative) const;

    static GridData sampleGrid();
    static QByteArray defaultParm();

private:
    QTemporaryDir m_dir;
};

// Makes a folder refuse new files for as long as it lives, also for root
// (as CI runs): permission bits for other users, the immutable flag for root.
// isActive() is false where neither works; such a test skips.
class ReadOnlyGuard
{
public:
    explicit ReadOnlyGuard(const QString& folder);
    ~ReadOnlyGuard();
    bool isActive() const { return m_active; }
    void release();

private:
    QString m_folder;
    bool m_active = false;
    bool m_immutable = false;
};
