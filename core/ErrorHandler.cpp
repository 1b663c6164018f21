#include "ErrorHandler.h"

#include "NotificationMessage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaType>
#include <QPointer>
#include <QThread>

ErrorHandler *ErrorHandler::instance()
{
    // Never destroyed: notifications may be posted until the very end.
    static ErrorHandler *const handler = [] {
        auto *made = new ErrorHandler;
        const QCoreApplication *application = QCoreApplication::instance();
        if (application && made->thread() != application->thread())
            made->moveToThread(application->thread());
        return made;
    }();
    return handler;
}

ErrorHandler::ErrorHandler(QObject *parent)
    : QObject(parent)
{
    qRegisterMetaType<NotificationList>("NotificationList");
}

bool ErrorHandler::onOwnThread() const
{
    return QThread::currentThread() == thread();
}

bool ErrorHandler::levelAccepted(const AbstractNotification *notification)
{
    const int level = int(notification->getLevel());
    return level >= int(halvora::ErrorLevel::None) && level <= int(halvora::ErrorLevel::Info);
}

int ErrorHandler::nextKey()
{
    return ++m_lastKey;
}

int ErrorHandler::addMessage(halvora::ErrorLevel level, AbstractNotification::ErrorSource source,
                             const QString &title, const QString &message, const QString &origin,
                             const QDateTime &time)
{
    if (!onOwnThread()) {
        auto *posted = new NotificationMessage(nullptr, level, source, title, message, origin, time);
        return postFromOtherThread(posted, true);
    }
    auto *notification = new NotificationMessage(this, level, source, title, message, origin, time);
    return mergeOrInsert(notification, 0);
}

int ErrorHandler::addNotification(AbstractNotification *notification)
{
    if (!notification)
        return -1;
    if (!onOwnThread())
        return postFromOtherThread(notification, false);
    if (notification->thread() != thread()) {
        qWarning() << "Notification" << notification->getTitle() << "belongs to another thread and is not listed";
        return -1;
    }
    notification->setParent(this);
    return insertNotification(notification, 0);
}

int ErrorHandler::postFromOtherThread(AbstractNotification *notification, bool mergeWithEqual)
{
    if (notification->thread() != QThread::currentThread()) {
        qWarning() << "Notification" << notification->getTitle() << "belongs to another thread and is not listed";
        return -1;
    }
    notification->setParent(nullptr);
    notification->moveToThread(thread());
    if (!levelAccepted(notification)) {
        notification->deleteLater();
        return -1;
    }
    // The key is taken now, so the poster has it at once; the entry follows on our thread.
    const int key = nextKey();
    QPointer<AbstractNotification> posted(notification);
    QMetaObject::invokeMethod(
        this,
        [this, posted, key, mergeWithEqual] {
            if (!posted)
                return;
            posted->setParent(this);
            if (mergeWithEqual)
                mergeOrInsert(posted, key);
            else
                insertNotification(posted, key);
        },
        Qt::QueuedConnection);
    return key;
}

int ErrorHandler::mergeOrInsert(AbstractNotification *notification, int key)
{
    for (auto it = m_notifications.cbegin(); it != m_notifications.cend(); ++it) {
        if (*it.value() == *notification) {
            it.value()->changeFiredTime(notification->getTime());
            notification->deleteLater();
            return it.key();
        }
    }
    return insertNotification(notification, key);
}

// key 0: take the next one.
int ErrorHandler::insertNotification(AbstractNotification *notification, int key)
{
    if (!levelAccepted(notification)) {
        // Nobody can reach a refused notification any more, so it must not linger.
        notification->deleteLater();
        return -1;
    }
    connect(notification, &AbstractNotification::RequestDelete, this, &ErrorHandler::removeFromListByPtr);
    // A notification deleted by someone else must not stay listed as a dangling pointer.
    connect(notification, &QObject::destroyed, this, &ErrorHandler::forgetDestroyed, Qt::UniqueConnection);
    if (key <= 0)
        key = nextKey();
    m_notifications.insert(key, notification);
    emitListChanged();
    return key;
}

AbstractNotification *ErrorHandler::takeNotification(int key)
{
    if (!onOwnThread()) {
        qWarning() << "Notifications can only be taken on the main thread";
        return nullptr;
    }
    AbstractNotification *notification = m_notifications.take(key);
    if (notification)
        emitListChanged();
    return notification;
}

AbstractNotification *ErrorHandler::notification(int key) const
{
    if (!onOwnThread()) {
        qWarning() << "Notifications can only be looked up on the main thread";
        return nullptr;
    }
    return m_notifications.value(key, nullptr);
}

NotificationList ErrorHandler::getNotificationList() const
{
    return m_notifications.values();
}

quint32 ErrorHandler::getNotificationCount() const
{
    return quint32(m_notifications.size());
}

void ErrorHandler::clearNotifications()
{
    if (!onOwnThread()) {
        QMetaObject::invokeMethod(this, &ErrorHandler::clearNotifications, Qt::QueuedConnection);
        return;
    }
    const NotificationList cleared = m_notifications.values();
    m_notifications.clear();
    emitListChanged();
    for (AbstractNotification *notification : cleared)
        notification->deleteLater();
}

void ErrorHandler::removeFromList(int key)
{
    if (!onOwnThread()) {
        QMetaObject::invokeMethod(this, [this, key] { removeFromList(key); }, Qt::QueuedConnection);
        return;
    }
    if (AbstractNotification *notification = m_notifications.take(key))
        notification->deleteLater();
    emitListChanged();
}

void ErrorHandler::removeFromListByPtr(AbstractNotification *self)
{
    // Key 0 is never listed; a taken notification ends up here and is only deleted.
    removeFromList(m_notifications.key(self, 0));
    if (self)
        self->deleteLater();
    emitListChanged();
}

void ErrorHandler::forgetDestroyed(QObject *object)
{
    // Only the address is compared: the object is already half destroyed.
    bool removed = false;
    for (auto it = m_notifications.begin(); it != m_notifications.end();) {
        if (static_cast<QObject *>(it.value()) == object) {
            it = m_notifications.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (removed)
        emitListChanged();
}

void ErrorHandler::emitListChanged()
{
    emit NotificationListChanged();
    emit NotificationCountChanged();
}
