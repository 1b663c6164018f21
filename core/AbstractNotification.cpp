#include "AbstractNotification.h"

#include <QDebug>
#include <QMetaType>

AbstractNotification::AbstractNotification(QObject *parent, Type type, halvora::ErrorLevel level, ErrorSource source,
                                           const QString &title, const QString &message, const QString &origin,
                                           const QDateTime &time)
    : QObject(parent)
    , m_type(type)
    , m_level(level)
    , m_source(source)
    , m_title(title)
    , m_message(message)
    , m_time(time)
    , m_origin(origin)
{
    qRegisterMetaType<halvora::ErrorLevel>("ErrorLevel");
    qRegisterMetaType<AbstractNotification::Type>("Type");
    qRegisterMetaType<AbstractNotification::ErrorSource>("ErrorSource");

    // Every notification reaches the log as well, so a report shows what the user saw.
    const QString text = QLatin1Char('[') + title + QLatin1String("] ") + message;
    switch (level) {
    case halvora::ErrorLevel::CriticalError:
    case halvora::ErrorLevel::Error:
        qCritical().noquote() << text;
        break;
    case halvora::ErrorLevel::Warning:
        qWarning().noquote() << text;
        break;
    default:
        break;
    }
}

void AbstractNotification::setTitleText(const QString &text, bool updateTime)
{
    m_title = text;
    emit titleTextChanged(m_title);
    if (updateTime)
        changeFiredTime();
}

void AbstractNotification::setMessageText(const QString &text, bool updateTime)
{
    m_message = text;
    emit messageTextChanged(m_message);
    if (updateTime)
        changeFiredTime();
}

void AbstractNotification::setModal(bool modal)
{
    m_modal = modal;
}

void AbstractNotification::deleteSelf()
{
    emit RequestDelete(this);
}

bool AbstractNotification::operator==(const AbstractNotification &other) const
{
    return m_level == other.m_level && m_source == other.m_source && m_title == other.m_title
           && m_message == other.m_message && m_origin == other.m_origin;
}

void AbstractNotification::changeTitleTextSlot(const QString &newText)
{
    setTitleText(newText, true);
}

void AbstractNotification::changeMessageTextSlot(const QString &newText)
{
    setMessageText(newText, true);
}

void AbstractNotification::changeFiredTime(const QDateTime &dateTime)
{
    m_time = dateTime;
    emit firedTimeChanged(m_time);
}

void AbstractNotification::changeFiredTime()
{
    changeFiredTime(QDateTime::currentDateTimeUtc());
}

void AbstractNotification::setExpanded(bool expanded)
{
    m_expanded = expanded;
    emit expandedChanged();
}
