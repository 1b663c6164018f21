#pragma once

#include "AbstractNotification.h"

// A notification with a progress bar and one button. The button does nothing until
// it is enabled; a press emits FireButton and, with deleteOnFireButton(true), removes
// the notification. With deleteOnProgressComplete(true) a progress of 1.0 removes it.
class NotificationMsgProgressButton : public AbstractNotification
{
    Q_OBJECT
    Q_PROPERTY(bool progressEnabled READ getProgressEnabled NOTIFY ProgressEnabledChanged)
    Q_PROPERTY(float progress READ getProgress NOTIFY ProgressChanged)
    Q_PROPERTY(QString buttonName READ getButtonName NOTIFY ButtonNameChanged)
    Q_PROPERTY(bool buttonEnabled READ getButtonEnabled NOTIFY ButtonEnabledChanged)

public:
    NotificationMsgProgressButton(QObject *parent, halvora::ErrorLevel level, ErrorSource source, const QString &title,
                                  const QString &message, const QString &buttonName, const QString &origin,
                                  const QDateTime &time);

    // Called by the QML button.
    Q_INVOKABLE void buttonPressed();

signals:
    void ProgressEnabledChanged(bool enabled);
    void ProgressChanged(float progress);
    void FireButton();
    void ButtonEnabledChanged(bool enabled);
    void ButtonNameChanged(const QString &name);

public slots:
    void enableProgress(bool enabled);
    void updateProgress(float progress);
    void deleteOnProgressComplete(bool enableDelete);
    void enableButton(bool enabled);
    void changeButtonName(const QString &newName);
    void deleteOnFireButton(bool deleteOnPress);

private slots:
    bool getProgressEnabled() const { return m_progressEnabled; }
    float getProgress() const { return m_progress; }
    QString getButtonName() const { return m_buttonName; }
    bool getButtonEnabled() const { return m_buttonEnabled; }

private:
    bool m_progressEnabled = false;
    bool m_deleteWhenComplete = false;
    float m_progress = 0.0f;
    QString m_buttonName;
    bool m_buttonEnabled = false;
    bool m_deleteOnPress = false;
};
