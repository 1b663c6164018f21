#include "NotificationMessage.h"

NotificationMessage::NotificationMessage(QObject *parent, halvora::ErrorLevel level, ErrorSource source,
                                         const QString &title, const QString &message, const QString &origin,
                                         const QDateTime &time)
    : AbstractNotification(parent, String, level, source, title, message, origin, time)
{
}
