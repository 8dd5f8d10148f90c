#include "app/busymessage.h"

QString busyDetails(const QString& computer, const QString& user, bool displayUser)
{
    if (!displayUser)
        return {};
    return QStringLiteral("\r\rCom name: ") + computer + QStringLiteral("\rUser name: ") + user;
}

QString lockErrorText(const QString& lockError, const QString& unopenableLock)
{
    QString text = QStringLiteral("Error attempting to lock file.  Try again.");
    if (!lockError.isEmpty())
        text += QStringLiteral("\r\r") + lockError;
    // Without a name nobody could find the file that blocks everybody.
    if (!unopenableLock.isEmpty())
        text += QStringLiteral("\r\rThe lock file %1 cannot be opened from this account. "
                               "If no workstation is updating, remove it.")
                    .arg(unopenableLock);
    return text;
}
