#pragma once

#include "AbstractNotification.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QMultiHash>
#include <QObject>

#include <atomic>

using NotificationList = QList<AbstractNotification *>;

// The process-wide list of notifications the user sees (QML: "Notifications").
// Entries are kept under rising keys (the first is 1; keys are never reused), in the
// order they were added. Every listed notification is a child of the handler and is
// deleted (deferred) when it leaves the list, except through takeNotification().
//
// The handler lives on the main thread. addMessage() and addNotification() may be
// called from any thread: from another thread the post is handed to the main thread
// and listed there a moment later, under the key returned at once (a message that
// turns out to repeat a listed one only moves that one's time, and its returned key
// stays unused). A notification posted from another thread must belong to that
// thread and have no parent but the one addNotification() replaces; it is moved to
// the main thread, so drive it by signals from then on. Lookups (notification(),
// takeNotification()) belong to the main thread.
//
// The list holds at most Capacity notifications: beyond it the oldest ones that are
// not modal leave first (the oldest modal ones only when no other is left), deleted
// as any that leaves. Posters that drive a notification of theirs look it up by its
// key, or hold it in a QPointer.
class ErrorHandler : public QObject
{
    Q_OBJECT
    Q_PROPERTY(NotificationList notificationList READ getNotificationList NOTIFY NotificationListChanged)
    Q_PROPERTY(quint32 notificationCount READ getNotificationCount NOTIFY NotificationCountChanged)

public:
    static constexpr int Capacity = 500;

    // The program's one list, made on first use and moved to the main thread.
    static ErrorHandler *instance();

    // A list of its own, for tests; the program uses instance().
    explicit ErrorHandler(QObject *parent = nullptr);

    // Lists a text notification and returns its key. When an equal one is listed
    // already, only that one's time moves to time and its key is returned.
    // A level beyond Info is refused with -1.
    int addMessage(halvora::ErrorLevel level, AbstractNotification::ErrorSource source, const QString &title,
                   const QString &message, const QString &origin, const QDateTime &time);

    // Takes over a notification built by the caller (it becomes the handler's child)
    // and returns its key, or -1 when it is refused (it is then deleted).
    int addNotification(AbstractNotification *notification);

    // Takes the entry out of the list without deleting it; null when the key is not listed.
    // The notification stays the handler's child: its RequestDelete still deletes it.
    AbstractNotification *takeNotification(int key);

    // The listed notification under key, or null.
    AbstractNotification *notification(int key) const;

    NotificationList getNotificationList() const;
    quint32 getNotificationCount() const;

public slots:
    void clearNotifications();

signals:
    void NotificationListChanged();
    void NotificationCountChanged();

private slots:
    void removeFromList(int key);
    void removeFromListByPtr(AbstractNotification *self);

private:
    bool onOwnThread() const;
    static bool levelAccepted(const AbstractNotification *notification);
    int nextKey();
    int postFromOtherThread(AbstractNotification *notification, bool mergeWithEqual);
    // Lists it, or merges it into an equal listed one and returns that one's key.
    int mergeOrInsert(AbstractNotification *notification, int key);
    int insertNotification(AbstractNotification *notification, int key);
    void dropBeyondCapacity();
    // Takes the entry out of the list and its indexes; null when the key is not listed.
    AbstractNotification *unlist(int key);
    // Files the listed notification under its current contents for the merge lookup.
    void indexContents(int key);
    void forgetDestroyed(QObject *object);
    void emitListChanged();

    std::atomic<int> m_lastKey{0};
    QMap<int, AbstractNotification *> m_notifications;
    // The keys of the listed notifications by object, and by the hash of what makes
    // two of them equal, so that neither a merge nor a removal walks the list.
    QHash<const QObject *, int> m_keyOf;
    QMultiHash<size_t, int> m_keysByContents;
    QHash<int, size_t> m_contentsOf;
};
