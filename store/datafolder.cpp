#include "store/datafolder.h"

#include "store/textfile.h"

#include <QDir>

namespace {
const QString kGsystem = QStringLiteral("gsystem");
const QString kUsers = QStringLiteral("users");
const QString kColfiles = QStringLiteral("colfiles");
const QString kBackups = QStringLiteral("databkup");
} // namespace

DataFolder::DataFolder(const QString& root)
    : m_root(QDir(root).absolutePath())
{
    TextFile::addDataFolder(m_root);
}

QString DataFolder::gsystem(const QString& name) const { return QDir(m_root).filePath(kGsystem + u'/' + name); }
QString DataFolder::users(const QString& name) const { return QDir(m_root).filePath(kUsers + u'/' + name); }
QString DataFolder::colfiles(const QString& name) const { return QDir(m_root).filePath(kColfiles + u'/' + name); }
QString DataFolder::backups(const QString& name) const { return QDir(m_root).filePath(kBackups + u'/' + name); }
QString DataFolder::inRoot(const QString& name) const { return QDir(m_root).filePath(name); }
QString DataFolder::gsystemDir() const { return QDir(m_root).filePath(kGsystem); }
QString DataFolder::usersDir() const { return QDir(m_root).filePath(kUsers); }
QString DataFolder::backupDir() const { return QDir(m_root).filePath(kBackups); }
QString DataFolder::colfilesDir() const { return QDir(m_root).filePath(kColfiles); }

namespace {

// Windows opens a device, not a file, for these names, whatever follows the
// first dot and however they are cased: a column titled NUL would read an
// empty menu and "save" its values into nothing.
bool isWindowsDeviceName(const QString& title)
{
    // The word AUX alone stays a title with a menu file: the column data
    // editor has always accepted it, refusing only "Aux" and "aux". Where
    // Windows takes it for the device, its platform file neither reads nor
    // replaces anything but a disk file.
    if (title.compare(u"AUX", Qt::CaseInsensitive) == 0)
        return false;
    QString base = title.section(u'.', 0, 0);
    while (base.endsWith(u' '))
        base.chop(1);
    base = base.toUpper();
    if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL" || base == u"CONIN$"
        || base == u"CONOUT$")
        return true;
    // COM0 to COM9 and LPT0 to LPT9, and with a superscript digit, as newer
    // Windows versions take them too.
    static const QString kDigits = QStringLiteral("0123456789\u00B9\u00B2\u00B3");
    return base.size() == 4 && (base.startsWith(u"COM") || base.startsWith(u"LPT")) && kDigits.contains(base[3]);
}

} // namespace

bool DataFolder::isSafeFileTitle(const QString& title)
{
    if (title == u"." || title == u".." || isWindowsDeviceName(title))
        return false;
    for (const QChar c : title) {
        if (c.unicode() < 0x20 || c == u'\x7f')
            return false;
        switch (c.unicode()) {
        case u'/': case u'\\': case u'<': case u'>': case u':':
        case u'"': case u'|': case u'?': case u'*':
            return false;
        default:
            break;
        }
    }
    return true;
}

QString DataFolder::columnMenuFile(const QString& title) const
{
    if (!isSafeFileTitle(title))
        return {};
    return colfiles(title + QStringLiteral(".scd"));
}
