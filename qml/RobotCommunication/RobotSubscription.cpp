#include "RobotSubscription.h"

#include <QJSEngine>
#include <QPointer>

#include <exception>

Q_LOGGING_CATEGORY(lcRobotSubscription, "RobotCommunication.RobotSubscription", QtInfoMsg)

RobotSubscription::RobotSubscription(const std::shared_ptr<Data> &data, QObject *parent)
    : QObject(parent)
    , m_data(data)
{
}

// The share of the topic's state goes with the members, before QObject's destructor
// emits destroyed: the client counts the holders left when that signal arrives.
RobotSubscription::~RobotSubscription() = default;

QString RobotSubscription::topic() const
{
    return m_data ? m_data->topic : QString();
}

void RobotSubscription::onMessage(Callback callback)
{
    m_callbacks.push_back(std::move(callback));
}

void RobotSubscription::onMessage(const QJSValue &callback)
{
    QJSEngine *engine = qjsEngine(this);
    if (!engine) {
        // Only an object that QML has seen belongs to an engine that could call back.
        qCWarning(lcRobotSubscription) << "A JavaScript callback needs a subscription that QML holds; topic" << topic();
        return;
    }
    if (!callback.isCallable()) {
        engine->throwError(QJSValue::TypeError, QStringLiteral("Callback is not callable"));
        return;
    }
    const QPointer<QJSEngine> guard(engine);
    onMessage(Callback([guard, callback](const QJsonObject &message) {
        if (!guard)
            return;
        QJSValue function = callback;
        function.call({guard->toScriptValue(message)});
    }));
}

void RobotSubscription::processMessage(const QString &topic, const QJsonObject &message)
{
    if (topic != this->topic())
        return;
    // By index and by copy: a callback may register further callbacks on this handle.
    const std::size_t count = m_callbacks.size();
    for (std::size_t i = 0; i < count; ++i) {
        const Callback callback = m_callbacks[i];
        try {
            callback(message);
        } catch (const std::exception &exception) {
            qCWarning(lcRobotSubscription) << "Exception in callback for topic" << topic << ":" << exception.what();
        }
    }
    emit messageReceived(message);
}
