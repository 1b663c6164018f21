#pragma once

#include "AbstractProgressNotification.h"

// A notification with a progress bar (a fraction from 0.0 to 1.0). With
// deleteAfterFireButton(true) it asks to be removed once the progress reaches 1.0.
class NotificationMsgProgress : public AbstractProgressNotification
{
    Q_OBJECT

public:
    NotificationMsgProgress(QObject *parent, halvora::ErrorLevel level, ErrorSource source, const QString &title,
                            const QString &message, const QString &origin, const QDateTime &time);

public slots:
    // Sets whether a progress of 1.0 or more removes the notification.
    void deleteAfterFireButton(bool enableDelete);
};
