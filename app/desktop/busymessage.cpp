#include "app/desktop/busymessage.h"

#include <QDir>

QString busyDetails(const QString& computer, const QString& user, bool displayUser)
{
    if (!displayUser)
        return {};
    return QStringLiteral("\r\rCom name: ") + computer + QStringLiteral("\rUser name: ") + user;
}

QString lockErrorText(const FileOutcome& lock, bool unopenable)
{
    QString text = QStringLiteral("Error attempting to lock file.  Try again.");
    if (!lock.ok())
        text += QStringLiteral("\r\r%1: %2").arg(QDir::toNativeSeparators(lock.path), lock.reason);
    // Without a name nobody could find the file that blocks everybody.
    if (unopenable)
        text += QStringLiteral("\r\rThe lock file %1 cannot be opened from this account. "
                               "If no workstation is updating, remove it.")
                    .arg(lock.fileName());
    return text;
}
