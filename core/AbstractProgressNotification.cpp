#include "AbstractProgressNotification.h"

void AbstractProgressNotification::enableProgress(bool enabled)
{
    if (enabled == m_progressEnabled)
        return;
    m_progressEnabled = enabled;
    emit ProgressEnabledChanged(m_progressEnabled);
}

void AbstractProgressNotification::updateProgress(float progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit ProgressChanged(m_progress);
    if (m_deleteWhenComplete && m_progress >= 1.0f)
        emit RequestDelete(this);
}
