#include "NotificationMsgProgress.h"

NotificationMsgProgress::NotificationMsgProgress(QObject *parent, halvora::ErrorLevel level, ErrorSource source,
                                                 const QString &title, const QString &message, const QString &origin,
                                                 const QDateTime &time)
    : AbstractProgressNotification(parent, Progress_1, level, source, title, message, origin, time)
{
}

void NotificationMsgProgress::deleteAfterFireButton(bool enableDelete)
{
    setDeleteWhenComplete(enableDelete);
}
