#pragma once

#include "AbstractNotification.h"

// The progress bar that notifications with progress share: whether it shows, and the
// fraction done from 0.0 to 1.0. When a subclass asks for it, a progress of 1.0 or
// more removes the notification.
class AbstractProgressNotification : public AbstractNotification
{
    Q_OBJECT
    Q_PROPERTY(bool progressEnabled READ getProgressEnabled NOTIFY ProgressEnabledChanged)
    Q_PROPERTY(float progress READ getProgress NOTIFY ProgressChanged)

public:
    using AbstractNotification::AbstractNotification;

signals:
    void ProgressEnabledChanged(bool enabled);
    void ProgressChanged(float progress);

public slots:
    void enableProgress(bool enabled);
    void updateProgress(float progress);

protected:
    // Sets whether a progress of 1.0 or more removes the notification.
    void setDeleteWhenComplete(bool enableDelete) { m_deleteWhenComplete = enableDelete; }

private slots:
    bool getProgressEnabled() const { return m_progressEnabled; }
    float getProgress() const { return m_progress; }

private:
    bool m_progressEnabled = false;
    bool m_deleteWhenComplete = false;
    float m_progress = 0.0f;
};
