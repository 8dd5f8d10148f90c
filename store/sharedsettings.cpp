#include "store/sharedsettings.h"

SharedSettings::SharedSettings(const DataFolder& folder, Preferences& prefs)
    : m_folder(folder), m_prefs(prefs)
{
}

FileResult<> SharedSettings::loadPreferences()
{
    const TextFile::ReadResult parm = TextFile::read(parmPath(), TextFile::kSmallFileCap);
    if (parm.ok())
        readParmLines(parm.value, m_prefs);
    m_parmBase = parmLines(m_prefs);
    return FileOutcome(parm);
}

TextFile::ReadResult SharedSettings::loadUsers()
{
    TextFile::ReadResult users = TextFile::read(usersPath(), TextFile::kListFileCap);
    m_usersLoaded = users.ok();
    if (!users.ok())
        users.value.clear();
    else
        m_usersBase = users.value;
    return users;
}

TextFile::WriteResult SharedSettings::save(const QStringList& users)
{
    const QStringList lines = parmLines(m_prefs);
    if (auto w = TextFile::write(parmPath(), lines); !w.ok())
        return w;
    m_parmBase = lines;
    if (!m_usersLoaded)
        return {};
    if (auto w = TextFile::write(usersPath(), users); !w.ok())
        return w;
    m_usersBase = users;
    return {};
}

QList<TextFile::WriteResult> SharedSettings::saveAtClose(const QStringList& users)
{
    QList<TextFile::WriteResult> failed;
    const QStringList mine = parmLines(m_prefs);
    const TextFile::ReadResult current = TextFile::read(parmPath(), TextFile::kSmallFileCap);
    const QStringList merged = mergeParmLines(m_parmBase, mine, current.ok() ? current.value : mine);
    // Nothing changed here: the shared file is left alone, also on a read-only share.
    if (!current.ok() || merged != current.value) {
        if (const TextFile::WriteResult w = TextFile::write(parmPath(), merged); w.ok())
            m_parmBase = merged;
        else
            failed.append(w);
    }
    if (m_usersLoaded && users != m_usersBase) {
        if (const TextFile::WriteResult w = TextFile::write(usersPath(), users); w.ok())
            m_usersBase = users;
        else
            failed.append(w);
    }
    return failed;
}
