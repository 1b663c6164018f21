#pragma once

#include "Halvora.h"

#include <QDateTime>
#include <QObject>
#include <QString>

// One entry of the notification list (see ErrorHandler): what happened, how serious it
// is, where it comes from and when it was (last) fired. The QML notification screens
// read its properties. Subclasses add a progress bar and a button.
//
// A notification lives on the main thread. It leaves the list when it emits
// RequestDelete (the user cleared it, or it finished), after which it is deleted, so
// posters keep its key or a QPointer rather than a plain pointer.
class AbstractNotification : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool expanded READ getExpanded WRITE setExpanded NOTIFY expandedChanged)
    Q_PROPERTY(Type type READ getType CONSTANT)
    Q_PROPERTY(halvora::ErrorLevel level READ getLevel CONSTANT)
    Q_PROPERTY(ErrorSource source READ getSource CONSTANT)
    Q_PROPERTY(QString title READ getTitle NOTIFY titleTextChanged)
    Q_PROPERTY(QString message READ getMessage NOTIFY messageTextChanged)
    Q_PROPERTY(QDateTime time READ getTime NOTIFY firedTimeChanged)
    Q_PROPERTY(QString origin READ getOrigin CONSTANT)
    Q_PROPERTY(bool modal READ getModal CONSTANT)

public:
    // The look QML gives a notification. Only String, ButtonProgress_1 and Progress_1
    // are made by the classes here.
    enum Type {
        String = 0,
        Button_1 = 1,
        Button_2 = 2,
        ButtonProgress_1 = 3,
        ButtonProgress_2 = 4,
        Progress_1 = 5,
    };
    Q_ENUM(Type)

    // What the origin names: a board's serial number, or a part of the program.
    enum ErrorSource {
        Device = 0,
        HalvoraLab = 1,
    };
    Q_ENUM(ErrorSource)

    // Logs "[title] message": critical for CriticalError and Error, a warning for Warning.
    AbstractNotification(QObject *parent, Type type, halvora::ErrorLevel level, ErrorSource source,
                         const QString &title, const QString &message, const QString &origin, const QDateTime &time);

    bool getExpanded() const { return m_expanded; }
    Type getType() const { return m_type; }
    ErrorSource getSource() const { return m_source; }
    QString getTitle() const { return m_title; }
    QString getMessage() const { return m_message; }
    QDateTime getTime() const { return m_time; }
    QString getOrigin() const { return m_origin; }
    bool getModal() const { return m_modal; }

    // Stores the text; with updateTime also fires the notification anew (now, UTC).
    void setTitleText(const QString &text, bool updateTime);
    void setMessageText(const QString &text, bool updateTime);
    // QML opens the notification popup for a modal notification. Set it before adding.
    void setModal(bool modal);

    // Asks the list to drop and delete this notification (the "CLEAR" control).
    Q_INVOKABLE void deleteSelf();

    // Equal when level, source, title, message and origin agree; type and time do not count.
    bool operator==(const AbstractNotification &other) const;

signals:
    void RequestDelete(AbstractNotification *self);
    void titleTextChanged(const QString &title);
    void messageTextChanged(const QString &message);
    void firedTimeChanged(const QDateTime &time);
    void expandedChanged();

public slots:
    void changeTitleTextSlot(const QString &newText);
    void changeMessageTextSlot(const QString &newText);
    void changeFiredTime(const QDateTime &dateTime);
    void changeFiredTime();
    void setExpanded(bool expanded);
    halvora::ErrorLevel getLevel() const { return m_level; }

private:
    bool m_expanded = false;
    const Type m_type;
    const halvora::ErrorLevel m_level;
    const ErrorSource m_source;
    QString m_title;
    QString m_message;
    QDateTime m_time;
    const QString m_origin;
    bool m_modal = false;
};
