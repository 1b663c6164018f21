#pragma once

#include "AbstractNotification.h"

// A notification of text only, as ErrorHandler::addMessage posts it.
class NotificationMessage : public AbstractNotification
{
    Q_OBJECT

public:
    NotificationMessage(QObject *parent, halvora::ErrorLevel level, ErrorSource source, const QString &title,
                        const QString &message, const QString &origin, const QDateTime &time);
};
