#include "JsonException.h"
#include "JsonReaders.h"
#include "RobotServiceExceptions.h"

#include <QFuture>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QQuaternion>
#include <QTest>
#include <QUuid>
#include <QVector3D>

#include <functional>
#include <memory>

namespace {

// What a read gave: the value, or the kind of exception and its text.
struct Outcome
{
    QVariant value;
    QString exception; // "undefined", "invalid type" or empty
    QString text;
};

template<class T>
Outcome readAs(const QJsonValue &value)
{
    JsonContext context;
    try {
        return {QVariant::fromValue(fromJson<T>(context, value)), {}, {}};
    } catch (const JsonUndefinedException &e) {
        return {{}, QStringLiteral("undefined"), QString::fromUtf8(e.what())};
    } catch (const JsonInvalidTypeException &e) {
        return {{}, QStringLiteral("invalid type"), QString::fromUtf8(e.what())};
    }
}

Outcome read(const QString &reader, const QJsonValue &value)
{
    static const QHash<QString, std::function<Outcome(const QJsonValue &)>> readers{
        {QStringLiteral("string"), readAs<QString>},   {QStringLiteral("bool"), readAs<bool>},
        {QStringLiteral("double"), readAs<double>},    {QStringLiteral("float"), readAs<float>},
        {QStringLiteral("uuid"), readAs<QUuid>},       {QStringLiteral("numbers"), readAs<QList<double>>},
        {QStringLiteral("vector"), readAs<QVector3D>}, {QStringLiteral("quaternion"), readAs<QQuaternion>},
    };
    return readers.value(reader)(value);
}

// The value of "v" in a JSON object text; "v" left out reads as undefined.
QJsonValue valueOf(const char *objectText)
{
    return QJsonDocument::fromJson(objectText).object().value(QLatin1String("v"));
}

} // namespace

class tst_JsonReaders : public QObject
{
    Q_OBJECT

private slots:
    void readers_data();
    void readers();
    void exceptionTexts_data();
    void exceptionTexts();
    void exceptionsSurviveCloneAndRaise_data();
    void exceptionsSurviveCloneAndRaise();
    void exceptionsTravelThroughFutures();
};

void tst_JsonReaders::readers_data()
{
    QTest::addColumn<QString>("reader");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QVariant>("expected");
    QTest::addColumn<QString>("exception");
    QTest::addColumn<QString>("text");

    const QString none;
    const QString undefined = QStringLiteral("undefined");
    const QString invalid = QStringLiteral("invalid type");
    const QString missing = QStringLiteral("Missing expected json value");
    const QUuid uuid = QUuid::fromString(QStringLiteral("{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"));

    QTest::newRow("string") << "string" << QByteArray(R"({"v":"a\u00e9"})") << QVariant(QStringLiteral("a\u00e9"))
                            << none << none;
    QTest::newRow("empty string") << "string" << QByteArray(R"({"v":""})") << QVariant(QString()) << none << none;
    QTest::newRow("null as string") << "string" << QByteArray(R"({"v":null})") << QVariant() << invalid
                                    << "Invalid type \"null\" for json value. Expected \"string\"";
    QTest::newRow("absent string") << "string" << QByteArray("{}") << QVariant() << undefined << missing;
    QTest::newRow("number as string") << "string" << QByteArray(R"({"v":1})") << QVariant() << invalid
                                      << "Invalid type \"number\" for json value. Expected \"string\"";
    QTest::newRow("bool") << "bool" << QByteArray(R"({"v":false})") << QVariant(false) << none << none;
    QTest::newRow("absent bool") << "bool" << QByteArray("{}") << QVariant() << undefined << missing;
    QTest::newRow("string as bool") << "bool" << QByteArray(R"({"v":"true"})") << QVariant() << invalid
                                    << "Invalid type \"string\" for json value. Expected \"boolean\"";
    QTest::newRow("number as bool") << "bool" << QByteArray(R"({"v":1})") << QVariant() << invalid
                                    << "Invalid type \"number\" for json value. Expected \"boolean\"";
    QTest::newRow("double") << "double" << QByteArray(R"({"v":-2.5e300})") << QVariant(-2.5e300) << none << none;
    QTest::newRow("string as double") << "double" << QByteArray(R"({"v":"1"})") << QVariant() << invalid
                                      << "Invalid type \"string\" for json value. Expected \"number\"";
    QTest::newRow("object as double") << "double" << QByteArray(R"({"v":{}})") << QVariant() << invalid
                                      << "Invalid type \"object\" for json value. Expected \"number\"";
    QTest::newRow("integer as float") << "float" << QByteArray(R"({"v":3})") << QVariant(3.0f) << none << none;
    QTest::newRow("float narrowed") << "float" << QByteArray(R"({"v":0.1})") << QVariant(0.1f) << none << none;
    QTest::newRow("array as float") << "float" << QByteArray(R"({"v":[1]})") << QVariant() << invalid
                                    << "Invalid type \"array\" for json value. Expected \"number\"";

    QTest::newRow("uuid braced") << "uuid" << QByteArray(R"({"v":"{6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b}"})")
                                 << QVariant(uuid) << none << none;
    QTest::newRow("uuid bare") << "uuid" << QByteArray(R"({"v":"6f1d2a3b-4c5d-4e6f-8a9b-0c1d2e3f4a5b"})")
                               << QVariant(uuid) << none << none;
    QTest::newRow("uuid upper case braced")
        << "uuid" << QByteArray(R"({"v":"{6F1D2A3B-4C5D-4E6F-8A9B-0C1D2E3F4A5B}"})") << QVariant(uuid) << none << none;
    QTest::newRow("uuid empty") << "uuid" << QByteArray(R"({"v":""})") << QVariant(QUuid()) << none << none;
    QTest::newRow("uuid zero") << "uuid" << QByteArray(R"({"v":"00000000-0000-0000-0000-000000000000"})")
                               << QVariant(QUuid()) << none << none;
    QTest::newRow("uuid zero braced") << "uuid" << QByteArray(R"({"v":"{00000000-0000-0000-0000-000000000000}"})")
                                      << QVariant(QUuid()) << none << none;
    QTest::newRow("uuid {0}") << "uuid" << QByteArray(R"({"v":"{0}"})") << QVariant() << invalid
                              << "Could not parse JSON value as type \"UUID\"";
    QTest::newRow("uuid as number") << "uuid" << QByteArray(R"({"v":5})") << QVariant() << invalid
                                    << "Invalid type \"number\" for json value. Expected \"string\"";
    QTest::newRow("uuid absent") << "uuid" << QByteArray("{}") << QVariant() << undefined << missing;

    QTest::newRow("numbers") << "numbers" << QByteArray(R"({"v":[1,2.5,-3]})")
                             << QVariant::fromValue(QList<double>{1, 2.5, -3}) << none << none;
    QTest::newRow("no numbers") << "numbers" << QByteArray(R"({"v":[]})") << QVariant::fromValue(QList<double>{})
                                << none << none;
    QTest::newRow("number then string") << "numbers" << QByteArray(R"({"v":[1,"2"]})") << QVariant() << invalid
                                        << "Invalid type \"string\" for json value. Expected \"number\"";
    QTest::newRow("number then null") << "numbers" << QByteArray(R"({"v":[1,null]})") << QVariant() << invalid
                                      << "Invalid type \"null\" for json value. Expected \"number\"";
    QTest::newRow("object as numbers") << "numbers" << QByteArray(R"({"v":{}})") << QVariant() << invalid
                                       << "Invalid type \"object\" for json value. Expected \"array\"";

    QTest::newRow("vector") << "vector" << QByteArray(R"({"v":{"x":1,"y":-2,"z":0.5,"w":9}})")
                            << QVariant(QVector3D(1, -2, 0.5f)) << none << none;
    QTest::newRow("vector without z") << "vector" << QByteArray(R"({"v":{"x":1,"y":2}})") << QVariant() << undefined
                                      << missing;
    QTest::newRow("vector with a string z first")
        << "vector" << QByteArray(R"({"v":{"z":"0"}})") << QVariant() << invalid
        << "Invalid type \"string\" for json value. Expected \"number\"";
    QTest::newRow("number as vector") << "vector" << QByteArray(R"({"v":4})") << QVariant() << invalid
                                      << "Could not parse JSON value as type \"position\"";
    QTest::newRow("absent vector") << "vector" << QByteArray("{}") << QVariant() << undefined << missing;
    QTest::newRow("quaternion") << "quaternion" << QByteArray(R"({"v":{"x":0.5,"y":-0.5,"z":0.25,"w":0.75}})")
                                << QVariant(QQuaternion(0.75f, 0.5f, -0.5f, 0.25f)) << none << none;
    QTest::newRow("quaternion without w")
        << "quaternion" << QByteArray(R"({"v":{"x":0,"y":0,"z":0}})") << QVariant() << undefined << missing;
    QTest::newRow("array as quaternion") << "quaternion" << QByteArray(R"({"v":[0,0,0,1]})") << QVariant() << invalid
                                         << "Could not parse JSON value as type \"quaternion\"";
}

void tst_JsonReaders::readers()
{
    QFETCH(QString, reader);
    QFETCH(QByteArray, json);
    QFETCH(QVariant, expected);
    QFETCH(QString, exception);
    QFETCH(QString, text);

    const Outcome outcome = read(reader, valueOf(json.constData()));
    QCOMPARE(outcome.exception, exception);
    QCOMPARE(outcome.text, text);
    QCOMPARE(outcome.value, expected);
}

void tst_JsonReaders::exceptionTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    QTest::newRow("no arguments") << QString::fromUtf8(JsonInvalidTypeException().what())
                                  << "Invalid type for json value.";
    QTest::newRow("key form") << QString::fromUtf8(
        JsonInvalidTypeException(QStringLiteral("values"), QJsonValue::Double, QJsonValue::Array).what())
                              << "Invalid type \"number\" for json value \"values\". Expected \"array\"";
    QTest::newRow("undefined type word")
        << QString::fromUtf8(JsonInvalidTypeException(QJsonValue::Undefined, QJsonValue::Object).what())
        << "Invalid type \"undefined\" for json value. Expected \"object\"";
    QTest::newRow("plain message") << QString::fromUtf8(JsonException(QStringLiteral("\u00fcber %1")).what())
                                   << QStringLiteral("\u00fcber %1");
    QTest::newRow("failed with message")
        << QString::fromUtf8(ServiceCallFailedException(QStringLiteral("no map")).what()) << "no map";
    QTest::newRow("failed with empty message")
        << QString::fromUtf8(ServiceCallFailedException(QString()).what()) << "Service call failed";
    QTest::newRow("failed with values")
        << QString::fromUtf8(ServiceCallFailedException(QJsonArray{QStringLiteral("why")}).what())
        << "Service call failed";
}

void tst_JsonReaders::exceptionTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

using ExceptionFactory = std::function<QException *()>;
Q_DECLARE_METATYPE(ExceptionFactory)

void tst_JsonReaders::exceptionsSurviveCloneAndRaise_data()
{
    QTest::addColumn<ExceptionFactory>("make");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QJsonArray>("values");

    const QJsonArray values{QJsonObject{{QStringLiteral("a"), 1}}, 2};
    QTest::newRow("JsonException") << ExceptionFactory([] { return new JsonException(QStringLiteral("m")); }) << "m"
                                   << QJsonArray();
    QTest::newRow("JsonInvalidTypeException")
        << ExceptionFactory([] { return new JsonInvalidTypeException(QStringLiteral("UUID")); })
        << "Could not parse JSON value as type \"UUID\"" << QJsonArray();
    QTest::newRow("JsonUndefinedException")
        << ExceptionFactory([] { return new JsonUndefinedException; }) << "Missing expected json value" << QJsonArray();
    QTest::newRow("RobotNotConnectedException")
        << ExceptionFactory([] { return new RobotNotConnectedException; }) << "Robot is not connected" << QJsonArray();
    QTest::newRow("ServiceCallTimeoutException")
        << ExceptionFactory([] { return new ServiceCallTimeoutException; }) << "Service call timed out" << QJsonArray();
    QTest::newRow("ServiceCallFailedException")
        << ExceptionFactory([values] { return new ServiceCallFailedException(values); }) << "Service call failed"
        << values;
    QTest::newRow("ServiceCallMoreThanOneResponseException")
        << ExceptionFactory([values] { return new ServiceCallMoreThanOneResponseException(values); })
        << "Service call received more than one response" << values;
    QTest::newRow("RobotConnectionFailedException")
        << ExceptionFactory([] { return new RobotConnectionFailedException; }) << "Robot connection failed"
        << QJsonArray();
}

// A copy made by clone and thrown by raise is of the same class, with the same text
// and values: what a future holds is what the waiter catches.
void tst_JsonReaders::exceptionsSurviveCloneAndRaise()
{
    QFETCH(ExceptionFactory, make);
    QFETCH(QString, text);
    QFETCH(QJsonArray, values);

    const std::unique_ptr<QException> original(make());
    const std::unique_ptr<QException> copy(original->clone());
    try {
        copy->raise();
        QFAIL("raise did not throw");
    } catch (const QException &thrown) {
        QCOMPARE(typeid(thrown), typeid(*original));
        QCOMPARE(QString::fromUtf8(thrown.what()), text);
        if (const auto *failed = dynamic_cast<const ServiceCallFailedException *>(&thrown))
            QCOMPARE(failed->values(), values);
        if (const auto *several = dynamic_cast<const ServiceCallMoreThanOneResponseException *>(&thrown))
            QCOMPARE(several->values(), values);
    }
}

void tst_JsonReaders::exceptionsTravelThroughFutures()
{
    QPromise<int> promise;
    promise.start();
    promise.setException(JsonInvalidTypeException(QStringLiteral("values"), QJsonValue::String, QJsonValue::Array));
    promise.finish();
    QFuture<int> future = promise.future();
    try {
        future.waitForFinished();
        QFAIL("the future did not throw");
    } catch (const JsonInvalidTypeException &thrown) {
        QCOMPARE(QString::fromUtf8(thrown.what()),
                 QStringLiteral("Invalid type \"string\" for json value \"values\". Expected \"array\""));
    }
}

QTEST_GUILESS_MAIN(tst_JsonReaders)

#include "tst_JsonReaders.moc"
