#pragma once

#include "AbstractNotification.h"

// A notification with a progress bar (a fraction from 0.0 to 1.0). With
// deleteAfterFireButton(true) it asks to be removed once the progress reaches 1.0.
class NotificationMsgProgress : public AbstractNotification
{
    Q_OBJECT
    Q_PROPERTY(bool progressEnabled READ getProgressEnabled NOTIFY ProgressEnabledChanged)
    Q_PROPERTY(float progress READ getProgress NOTIFY ProgressChanged)

public:
    NotificationMsgProgress(QObject *parent, halvora::ErrorLevel level, ErrorSource source, const QString &title,
                            const QString &message, const QString &origin, const QDateTime &time);

signals:
    void ProgressEnabledChanged(bool enabled);
    void ProgressChanged(float progress);

public slots:
    void enableProgress(bool enabled);
    void updateProgress(float progress);
    // Sets whether a progress of 1.0 or more removes the notification.
    void deleteAfterFireButton(bool enableDelete);

private slots:
    bool getProgressEnabled() const { return m_progressEnabled; }
    float getProgress() const { return m_progress; }

private:
    bool m_progressEnabled = false;
    bool m_deleteWhenComplete = false;
    float m_progress = 0.0f;
};
