#pragma once

#include <QJSValue>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <memory>
#include <vector>

#include "JsonContext.h"
#include "JsonReaders.h"

Q_DECLARE_LOGGING_CATEGORY(lcRobotSubscription)

// A consumer's handle for one robot topic, made by RosBridgeClient::subscribe. All
// handles of a topic share one state, so the robot is asked to publish a topic once
// however many handles exist, and told to stop when the last one is gone. Each message
// of the topic goes to the callbacks registered here, in order, and then out as
// messageReceived.
class RobotSubscription : public QObject
{
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("RobotSubscription is not creatable from QML")
    Q_PROPERTY(QString topic READ topic CONSTANT FINAL)

public:
    // The state of one topic, shared by its handles and the client's table; how many
    // hold it tells whether any handle of the topic is left.
    struct Data
    {
        QString topic;
        QString type; // the message type name, sent again when the topic is subscribed anew
    };

    using Callback = std::function<void(const QJsonObject &)>;

    RobotSubscription(const std::shared_ptr<Data> &data, QObject *parent);
    ~RobotSubscription() override;

    QString topic() const;

    void onMessage(Callback callback);

    // Reads each message as a T first; a message that does not fit T only costs the
    // warning of its callback.
    template<class T>
    void onMessage(std::function<void(const T &)> callback)
    {
        onMessage(Callback([callback = std::move(callback)](const QJsonObject &message) {
            JsonContext context;
            const T value = fromJson<T>(context, QJsonValue(message));
            callback(value);
        }));
    }

    // From QML: a function called with each message as a plain object.
    Q_INVOKABLE void onMessage(const QJSValue &callback);

signals:
    void messageReceived(const QJsonObject &message);

public slots:
    void processMessage(const QString &topic, const QJsonObject &message);

private:
    std::shared_ptr<Data> m_data;
    std::vector<Callback> m_callbacks;
};
