#include "NotificationMsgProgressButton.h"

NotificationMsgProgressButton::NotificationMsgProgressButton(QObject *parent, halvora::ErrorLevel level,
                                                             ErrorSource source, const QString &title,
                                                             const QString &message, const QString &buttonName,
                                                             const QString &origin, const QDateTime &time)
    : AbstractProgressNotification(parent, ButtonProgress_1, level, source, title, message, origin, time)
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

void NotificationMsgProgressButton::deleteOnProgressComplete(bool enableDelete)
{
    setDeleteWhenComplete(enableDelete);
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
