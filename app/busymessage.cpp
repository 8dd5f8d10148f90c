#include "app/busymessage.h"

QString busyDetails(const QString& computer, const QString& user, const QString& unopenableLock, bool displayUser)
{
    QString text;
    if (displayUser)
        text += QStringLiteral("\r\rCom name: ") + computer + QStringLiteral("\rUser name: ") + user;
    // Without a name nobody could find the file that blocks everybody.
    if (!unopenableLock.isEmpty())
        text += QStringLiteral("\r\rThe lock file %1 cannot be opened from this account. "
                               "If no workstation is updating, remove it.")
                    .arg(unopenableLock);
    return text;
}
