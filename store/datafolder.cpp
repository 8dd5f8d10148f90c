#include "store/datafolder.h"

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
}

QString DataFolder::gsystem(const QString& name) const { return QDir(m_root).filePath(kGsystem + u'/' + name); }
QString DataFolder::users(const QString& name) const { return QDir(m_root).filePath(kUsers + u'/' + name); }
QString DataFolder::colfiles(const QString& name) const { return QDir(m_root).filePath(kColfiles + u'/' + name); }
QString DataFolder::backups(const QString& name) const { return QDir(m_root).filePath(kBackups + u'/' + name); }
QString DataFolder::inRoot(const QString& name) const { return QDir(m_root).filePath(name); }
QString DataFolder::backupDir() const { return QDir(m_root).filePath(kBackups); }
QString DataFolder::colfilesDir() const { return QDir(m_root).filePath(kColfiles); }

bool DataFolder::isSafeFileTitle(const QString& title)
{
    if (title == u"." || title == u"..")
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
