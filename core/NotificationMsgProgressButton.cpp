#include "NotificationMsgProgressButton.h"

NotificationMsgProgressButton::NotificationMsgProgressButton(QObject *parent, halvora::ErrorLevel level,
                                                             ErrorSource source, const QString &title,
                                                             const QString &message, const QString &buttonName,
                                                             const QString &origin, const QDateTime &time)
    : AbstractNotification(parent, ButtonProgress_1, level, source, title, message, origin, time)
    , m_buttonName(buttonName)
{
}

void NotificationMsgProgressButton::buttonPressed()
{
    if (!m_buttonEnabled)
        return;
    emit FireButton();
    if (m_deleteOnPress)
        emit RequestDelete(this);
}

void NotificationMsgProgressButton::enableProgress(bool enabled)
{
    if (enabled == m_progressEnabled)
        return;
    m_progressEnabled = enabled;
    emit ProgressEnabledChanged(m_progressEnabled);
}

void NotificationMsgProgressButton::updateProgress(float progress)
{
    if (progress == m_progress)
        return;
    m_progress = progress;
    emit ProgressChanged(m_progress);
    if (m_deleteWhenComplete && m_progress >= 1.0f)
        emit RequestDelete(this);
}

void NotificationMsgProgressButton::deleteOnProgressComplete(bool enableDelete)
{
    m_deleteWhenComplete = enableDelete;
}

void NotificationMsgProgressButton::enableButton(bool enabled)
{
    if (enabled == m_buttonEnabled)
        return;
    m_buttonEnabled = enabled;
    emit ButtonEnabledChanged(m_buttonEnabled);
}

void NotificationMsgProgressButton::changeButtonName(const QString &newName)
{
    if (newName == m_buttonName)
        return;
    m_buttonName = newName;
    emit ButtonNameChanged(m_buttonName);
}

void NotificationMsgProgressButton::deleteOnFireButton(bool deleteOnPress)
{
    m_deleteOnPress = deleteOnPress;
}
