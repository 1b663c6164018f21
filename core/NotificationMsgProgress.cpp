#include "NotificationMsgProgress.h"

NotificationMsgProgress::NotificationMsgProgress(QObject *parent, halvora::ErrorLevel level, ErrorSource source,
                                                 const QString &title, const QString &message, const QString &origin,
                                                 const QDateTime &time)
    : AbstractNotification(parent, Progress_1, level, source, title, message, origin, time)
{
}

void NotificationMsgProgress::enableProgress(bool enabled)
{
    if (enabled == m_progressEnabled)
        return;
    m_progressEnabled = enabled;
    emit ProgressEnabledChanged(m_progressEnabled);
}

void NotificationMsgProgress::updateProgress(float progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit ProgressChanged(m_progress);
    if (m_deleteWhenComplete && m_progress >= 1.0f)
        emit RequestDelete(this);
}

void NotificationMsgProgress::deleteAfterFireButton(bool enableDelete)
{
    m_deleteWhenComplete = enableDelete;
}
