#include "store/sharedsettings.h"

SharedSettings::SharedSettings(const DataFolder& folder, Preferences& prefs)
    : m_folder(folder), m_prefs(prefs)
{
}

bool SharedSettings::loadPreferences()
{
    const TextFile::ReadResult parm = TextFile::read(parmPath(), TextFile::kSmallFileCap);
    const bool complete = parm.ok && ParmSetup(parm.lines, m_prefs);
    m_parmBase = parmLines(m_prefs);
    return complete;
}

QStringList SharedSettings::loadUsers()
{
    m_usersBase = TextFile::read(usersPath(), TextFile::kListFileCap).lines;
    return m_usersBase;
}

TextFile::WriteResult SharedSettings::save(const QStringList& users)
{
    const QStringList lines = parmLines(m_prefs);
    if (auto w = TextFile::write(parmPath(), lines); !w)
        return w;
    m_parmBase = lines;
    if (auto w = TextFile::write(usersPath(), users); !w)
        return w;
    m_usersBase = users;
    return {};
}

QList<TextFile::WriteResult> SharedSettings::saveAtClose(const QStringList& users)
{
    QList<TextFile::WriteResult> failed;
    const QStringList mine = parmLines(m_prefs);
    const TextFile::ReadResult current = TextFile::read(parmPath(), TextFile::kSmallFileCap);
    const QStringList merged = mergeParmLines(m_parmBase, mine, current.ok ? current.lines : mine);
    // Nothing changed here: the shared file is left alone, also on a read-only share.
    if (!current.ok || merged != current.lines) {
        if (const TextFile::WriteResult w = TextFile::write(parmPath(), merged); w)
            m_parmBase = merged;
        else
            failed.append(w);
    }
    if (users != m_usersBase) {
        if (const TextFile::WriteResult w = TextFile::write(usersPath(), users); w)
            m_usersBase = users;
        else
            failed.append(w);
    }
    return failed;
}
