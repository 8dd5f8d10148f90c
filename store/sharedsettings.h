#pragma once

#include "store/datafolder.h"
#include "base/preferences.h"
#include "store/textfile.h"

#include <QList>
#include <QStringList>

// The two shared settings files, parm.scd and users.scd, as one workstation
// reads and writes them. It remembers what it last read or wrote of each, so
// that a close writes only what this workstation changed and never reverts
// another workstation's save.
class SharedSettings
{
public:
    SharedSettings(const DataFolder& folder, Preferences& prefs);

    // readParmLines from parm.scd; a file that cannot be read fails and the
    // preferences keep their values. Bad lines take their defaults.
    FileResult<> loadPreferences();
    // users.scd as it stands; an empty list when it cannot be read.
    TextFile::ReadResult loadUsers();
    // Whether a read of users.scd succeeded. Until one has, nothing writes
    // users.scd: the list shown would be empty, and saving it would lock
    // everybody out.
    bool usersLoaded() const { return m_usersLoaded; }

    // "OK": parm.scd from the preferences, then users.scd from `users`.
    TextFile::WriteResult save(const QStringList& users);
    // At close: every line of parm.scd this workstation left as it was is
    // taken from the file as it now stands; users.scd only when `users`
    // changed here. Files with nothing to write are left alone. Returns the
    // writes that failed.
    QList<TextFile::WriteResult> saveAtClose(const QStringList& users);

private:
    QString parmPath() const { return m_folder.gsystem(QStringLiteral("parm.scd")); }
    QString usersPath() const { return m_folder.users(QStringLiteral("users.scd")); }

    DataFolder m_folder;
    Preferences& m_prefs;
    QStringList m_parmBase;
    QStringList m_usersBase;
    bool m_usersLoaded = false;
};
