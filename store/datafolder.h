#pragma once

#include <QString>

// The shared data folder (the executable's folder) and the paths of its
// files. Every path the program opens is built here, from the folder and the
// fixed sub-folder names; user text only ever names a file inside them.
class DataFolder
{
public:
    DataFolder() = default;
    explicit DataFolder(const QString& root);

    QString root() const { return m_root; }

    QString gsystem(const QString& name) const;
    QString users(const QString& name) const;
    QString colfiles(const QString& name) const;
    QString backups(const QString& name) const;
    QString inRoot(const QString& name) const;   // lock files, the help file

    QString gsystemDir() const;
    QString usersDir() const;
    QString backupDir() const;
    QString colfilesDir() const;

    // The menu file of a column title, or an empty string when the title
    // cannot be a plain file name here (it would leave colfiles, or a Windows
    // share would refuse it): such a column has no menu file.
    QString columnMenuFile(const QString& title) const;
    static bool isSafeFileTitle(const QString& title);

private:
    QString m_root;
};
