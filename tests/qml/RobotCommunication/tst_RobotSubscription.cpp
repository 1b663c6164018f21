#include "JsonException.h"
#include "RobotSubscription.h"

#include <QJSEngine>
#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QVector3D>

#include <memory>
#include <stdexcept>

namespace {

std::shared_ptr<RobotSubscription::Data> topicData(const QString &topic)
{
    return std::make_shared<RobotSubscription::Data>(RobotSubscription::Data{topic, QString()});
}

const QString topic = QStringLiteral("/odom");

} // namespace

class tst_RobotSubscription : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void callbacksRunInOrderAndAFailingOneIsOnlyLogged();
    void otherTopicsAreIgnored();
    void typedCallbackReadsTheMessageFirst();
    void callbackMayAddCallbacks();
    void javaScriptCallbacks();
    void javaScriptCallbackNeedsAnEngine();
    void handlesShareTheTopicState();
};

void tst_RobotSubscription::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_RobotSubscription::callbacksRunInOrderAndAFailingOneIsOnlyLogged()
{
    RobotSubscription subscription(topicData(topic), nullptr);
    QStringList calls;
    subscription.onMessage([&](const QJsonObject &message) {
        calls << QStringLiteral("first %1").arg(message.value(QLatin1String("n")).toInt());
    });
    subscription.onMessage([&](const QJsonObject &) {
        calls << QStringLiteral("second");
        throw std::runtime_error("boom");
    });
    subscription.onMessage(RobotSubscription::Callback()); // empty: calling it throws too
    subscription.onMessage([&](const QJsonObject &) { calls << QStringLiteral("fourth"); });
    QSignalSpy received(&subscription, &RobotSubscription::messageReceived);

    QTest::ignoreMessage(QtWarningMsg, R"(Exception in callback for topic "/odom" : boom)");
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(R"(^Exception in callback for topic "/odom" : .*function)"));
    subscription.processMessage(topic, QJsonObject{{QStringLiteral("n"), 7}});
    QCOMPARE(calls, (QStringList{QStringLiteral("first 7"), QStringLiteral("second"), QStringLiteral("fourth")}));
    QCOMPARE(received.size(), 1);
    QCOMPARE(received.first().first().toJsonObject(), (QJsonObject{{QStringLiteral("n"), 7}}));
}

void tst_RobotSubscription::otherTopicsAreIgnored()
{
    RobotSubscription subscription(topicData(topic), nullptr);
    int calls = 0;
    subscription.onMessage([&](const QJsonObject &) { ++calls; });
    QSignalSpy received(&subscription, &RobotSubscription::messageReceived);
    subscription.processMessage(QStringLiteral("/odom2"), QJsonObject());
    subscription.processMessage(QStringLiteral("/Odom"), QJsonObject());
    QCOMPARE(calls, 0);
    QCOMPARE(received.size(), 0);

    // Without callbacks the signal still tells of every message.
    RobotSubscription bare(topicData(topic), nullptr);
    QSignalSpy bareReceived(&bare, &RobotSubscription::messageReceived);
    bare.processMessage(topic, QJsonObject());
    QCOMPARE(bareReceived.size(), 1);
}

void tst_RobotSubscription::typedCallbackReadsTheMessageFirst()
{
    RobotSubscription subscription(topicData(topic), nullptr);
    QList<QVector3D> read;
    subscription.onMessage<QVector3D>([&](const QVector3D &v) { read << v; });
    QSignalSpy received(&subscription, &RobotSubscription::messageReceived);

    subscription.processMessage(
        topic, QJsonObject{{QStringLiteral("x"), 1}, {QStringLiteral("y"), 2}, {QStringLiteral("z"), 3}});
    QTest::ignoreMessage(QtWarningMsg, R"(Exception in callback for topic "/odom" : Missing expected json value)");
    subscription.processMessage(topic, QJsonObject{{QStringLiteral("x"), 1}, {QStringLiteral("y"), 2}});
    QTest::ignoreMessage(
        QtWarningMsg,
        R"(Exception in callback for topic "/odom" : Invalid type "string" for json value. Expected "number")");
    subscription.processMessage(
        topic, QJsonObject{{QStringLiteral("x"), 1}, {QStringLiteral("y"), 2}, {QStringLiteral("z"), "3"}});
    QCOMPARE(read, QList<QVector3D>{QVector3D(1, 2, 3)});
    QCOMPARE(received.size(), 3);
}

void tst_RobotSubscription::callbackMayAddCallbacks()
{
    RobotSubscription subscription(topicData(topic), nullptr);
    int added = 0;
    subscription.onMessage([&](const QJsonObject &) {
        for (int i = 0; i < 64; ++i)
            subscription.onMessage([&](const QJsonObject &) { ++added; });
    });
    subscription.processMessage(topic, QJsonObject());
    QCOMPARE(added, 0); // the new ones start with the next message
    subscription.processMessage(topic, QJsonObject());
    QCOMPARE(added, 64);
}

void tst_RobotSubscription::javaScriptCallbacks()
{
    QJSEngine engine;
    auto *subscription = new RobotSubscription(topicData(topic), nullptr);
    engine.globalObject().setProperty(QStringLiteral("subscription"), engine.newQObject(subscription));
    QJSValue outcome = engine.evaluate(QStringLiteral(R"(
        var received = [];
        subscription.onMessage(function (message) { received.push(message); });
        subscription.onMessage(function () { throw new Error("ignored"); });
        subscription.onMessage(function (message) { received.push(message.pose.x * 2); });
        received)"));
    QVERIFY2(!outcome.isError(), qPrintable(outcome.toString()));

    QSignalSpy signalled(subscription, &RobotSubscription::messageReceived);
    const QJsonObject message{{QStringLiteral("pose"), QJsonObject{{QStringLiteral("x"), 1.5}}},
                              {QStringLiteral("tags"), QJsonArray{QStringLiteral("a"), QJsonValue()}}};
    subscription->processMessage(topic, message);
    QCOMPARE(signalled.size(), 1);
    const QJSValue received = engine.globalObject().property(QStringLiteral("received"));
    QCOMPARE(received.property(QStringLiteral("length")).toInt(), 2);
    QCOMPARE(received.property(0).toVariant().toJsonObject(), message);
    QCOMPARE(received.property(1).toNumber(), 3.0);

    // Anything else than a function is refused in the calling script.
    const QJSValue refused = engine.evaluate(QStringLiteral("subscription.onMessage(5)"));
    QVERIFY(refused.isError());
    QCOMPARE(refused.errorType(), QJSValue::TypeError);
    QCOMPARE(refused.property(QStringLiteral("message")).toString(), QStringLiteral("Callback is not callable"));
    subscription->processMessage(topic, message);
    QCOMPARE(received.property(QStringLiteral("length")).toInt(), 4);
}

void tst_RobotSubscription::javaScriptCallbackNeedsAnEngine()
{
    QJSEngine engine;
    RobotSubscription subscription(topicData(topic), nullptr);
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^A JavaScript callback needs a subscription")));
    subscription.onMessage(engine.evaluate(QStringLiteral("(function () {})")));
    subscription.processMessage(topic, QJsonObject());
}

void tst_RobotSubscription::handlesShareTheTopicState()
{
    const auto data = topicData(topic);
    {
        RobotSubscription first(data, nullptr);
        RobotSubscription second(data, nullptr);
        QCOMPARE(data.use_count(), 3);
        QCOMPARE(second.topic(), topic);
        QCOMPARE(first.metaObject()->property(first.metaObject()->indexOfProperty("topic")).isConstant(), true);
    }
    QCOMPARE(data.use_count(), 1);

    // The share is gone by the time destroyed is emitted: the client counts on it.
    auto *handle = new RobotSubscription(data, nullptr);
    long countAtDestroyed = 0;
    connect(handle, &QObject::destroyed, this, [&] { countAtDestroyed = data.use_count(); });
    delete handle;
    QCOMPARE(countAtDestroyed, 1L);
}

QTEST_GUILESS_MAIN(tst_RobotSubscription)

#include "tst_RobotSubscription.moc"
