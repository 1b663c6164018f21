#include "ErrorHandler.h"

#include "NotificationMessage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMetaType>
#include <QPointer>
#include <QThread>

#include <algorithm>

namespace {

// Equal notifications (operator==) have equal hashes.
size_t contentsHash(const AbstractNotification &notification)
{
    return qHashMulti(0, int(notification.getLevel()), int(notification.getSource()), notification.getTitle(),
                      notification.getMessage(), notification.getOrigin());
}

} // namespace

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

int ErrorHandler::addMessage(halvora::ErrorLevel level, AbstractNotification::ErrorSource source, const QString &title,
                             const QString &message, const QString &origin, const QDateTime &time)
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
    // The oldest equal one takes the new time.
    int mergeKey = 0;
    const auto candidates = m_keysByContents.equal_range(contentsHash(*notification));
    for (auto it = candidates.first; it != candidates.second; ++it) {
        if ((mergeKey == 0 || it.value() < mergeKey) && *m_notifications.value(it.value()) == *notification)
            mergeKey = it.value();
    }
    if (mergeKey == 0)
        return insertNotification(notification, key);
    m_notifications.value(mergeKey)->changeFiredTime(notification->getTime());
    notification->deleteLater();
    return mergeKey;
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
    // A new title or message files it anew for the merge lookup.
    const auto reindex = [this, notification] {
        if (const int listedKey = m_keyOf.value(notification, 0))
            indexContents(listedKey);
    };
    connect(notification, &AbstractNotification::titleTextChanged, this, reindex);
    connect(notification, &AbstractNotification::messageTextChanged, this, reindex);
    if (key <= 0)
        key = nextKey();
    m_notifications.insert(key, notification);
    m_keyOf.insert(notification, key);
    indexContents(key);
    dropBeyondCapacity();
    emitListChanged();
    return key;
}

void ErrorHandler::dropBeyondCapacity()
{
    while (m_notifications.size() > Capacity) {
        auto leaving = std::find_if(m_notifications.cbegin(), m_notifications.cend(),
                                    [](const AbstractNotification *listed) { return !listed->getModal(); });
        if (leaving == m_notifications.cend())
            leaving = m_notifications.cbegin();
        unlist(leaving.key())->deleteLater();
    }
}

AbstractNotification *ErrorHandler::unlist(int key)
{
    AbstractNotification *notification = m_notifications.take(key);
    if (!notification)
        return nullptr;
    m_keyOf.remove(notification);
    m_keysByContents.remove(m_contentsOf.take(key), key);
    return notification;
}

void ErrorHandler::indexContents(int key)
{
    if (const auto previous = m_contentsOf.constFind(key); previous != m_contentsOf.cend())
        m_keysByContents.remove(*previous, key);
    const size_t hash = contentsHash(*m_notifications.value(key));
    m_contentsOf.insert(key, hash);
    m_keysByContents.insert(hash, key);
}

AbstractNotification *ErrorHandler::takeNotification(int key)
{
    if (!onOwnThread()) {
        qWarning() << "Notifications can only be taken on the main thread";
        return nullptr;
    }
    AbstractNotification *notification = unlist(key);
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
    m_keyOf.clear();
    m_keysByContents.clear();
    m_contentsOf.clear();
    emitListChanged();
    for (AbstractNotification *notification : cleared)
        notification->deleteLater();
}

void ErrorHandler::removeFromList(int key)
{
    if (!onOwnThread()) {
        QMetaObject::invokeMethod(
            this, [this, key] { removeFromList(key); }, Qt::QueuedConnection);
        return;
    }
    if (AbstractNotification *notification = unlist(key))
        notification->deleteLater();
    emitListChanged();
}

void ErrorHandler::removeFromListByPtr(AbstractNotification *self)
{
    // Key 0 is never listed; a taken notification ends up here and is only deleted.
    removeFromList(m_keyOf.value(self, 0));
    if (self)
        self->deleteLater();
    emitListChanged();
}

void ErrorHandler::forgetDestroyed(QObject *object)
{
    // Only the address is used: the object is already half destroyed.
    if (const int key = m_keyOf.value(object, 0); key != 0 && unlist(key))
        emitListChanged();
}

void ErrorHandler::emitListChanged()
{
    emit NotificationListChanged();
    emit NotificationCountChanged();
}
