#pragma once

#include "AbstractProgressNotification.h"

// A notification with a progress bar and one button. The button does nothing until
// it is enabled; a press emits FireButton and, with deleteOnFireButton(true), removes
// the notification. With deleteOnProgressComplete(true) a progress of 1.0 removes it.
class NotificationMsgProgressButton : public AbstractProgressNotification
{
    Q_OBJECT
    Q_PROPERTY(QString buttonName READ getButtonName NOTIFY ButtonNameChanged)
    Q_PROPERTY(bool buttonEnabled READ getButtonEnabled NOTIFY ButtonEnabledChanged)

public:
    NotificationMsgProgressButton(QObject *parent, halvora::ErrorLevel level, ErrorSource source, const QString &title,
                                  const QString &message, const QString &buttonName, const QString &origin,
                                  const QDateTime &time);

    // Called by the QML button.
    Q_INVOKABLE void buttonPressed();

signals:
    void FireButton();
    void ButtonEnabledChanged(bool enabled);
    void ButtonNameChanged(const QString &name);

public slots:
    void deleteOnProgressComplete(bool enableDelete);
    void enableButton(bool enabled);
    void changeButtonName(const QString &newName);
    void deleteOnFireButton(bool deleteOnPress);

private slots:
    QString getButtonName() const { return m_buttonName; }
    bool getButtonEnabled() const { return m_buttonEnabled; }

private:
    QString m_buttonName;
    bool m_buttonEnabled = false;
    bool m_deleteOnPress = false;
};
