#include "JsonException.h"
#include "JsonSerDesRegistry.h"
#include "LocalRelativeCoordinateConverter.h"
#include "LocalTangentPlaneCoordinateConverter.h"
#include "UTMCoordinateConverter.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>
#include "HalvoraTestPaths.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {

QJsonValue parse(const QByteArray &text)
{
    const QJsonDocument document = QJsonDocument::fromJson("[" + text + "]");
    return document.array().first();
}

const JsonSerDesRegistry::ConverterSerDes &serDes(CoordinateConverter::Type type)
{
    return *JsonSerDesRegistry::coordinateConverters().find(type);
}

const QString missing = QStringLiteral("Missing expected json value");

QString invalidType(const char *found, const char *expected)
{
    return QStringLiteral("Invalid type \"%1\" for json value. Expected \"%2\"")
        .arg(QLatin1String(found), QLatin1String(expected));
}

QString notParsed(const char *typeName)
{
    return QStringLiteral("Could not parse JSON value as type \"%1\"").arg(QLatin1String(typeName));
}

} // namespace

class tst_ConverterJson : public QObject
{
    Q_OBJECT

private slots:
    void readAndWriteBack_data();
    void readAndWriteBack();
    void readConvertersMeanWhatTheySay();
    void lists_data();
    void lists();
    void failedListLeavesNothingBehind();
    void tableHoldsTheThreeKinds();
    void damagedJsonIsRefused();
};

void tst_ConverterJson::readAndWriteBack_data()
{
    QTest::addColumn<CoordinateConverter::Type>("kind");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QByteArray>("writtenBack"); // empty: as read

    const auto lr = CoordinateConverter::local_relative;
    const auto ltp = CoordinateConverter::local_tangent_plane;
    const auto utm = CoordinateConverter::utm;
    const QByteArray uuid = "\"{6f1d2c3b-0a4e-4b5c-9d8e-7f6a5b4c3d2e}\"";

    QTest::newRow("local relative") << lr << QByteArray("{\"type\":0,\"local_relative\":" + uuid + "}") << QString()
                                    << QByteArray();
    QTest::newRow("local relative, empty id")
        << lr << QByteArray("{\"type\":0,\"local_relative\":\"\"}") << QString()
        << QByteArray("{\"type\":0,\"local_relative\":\"{00000000-0000-0000-0000-000000000000}\"}");
    QTest::newRow("local relative, no id") << lr << QByteArray("{\"type\":0}") << missing << QByteArray();
    QTest::newRow("local relative, number")
        << lr << QByteArray("{\"local_relative\":5}") << invalidType("number", "string") << QByteArray();
    QTest::newRow("local relative, no uuid")
        << lr << QByteArray("{\"local_relative\":\"nope\"}") << notParsed("UUID") << QByteArray();
    QTest::newRow("local relative, not an object") << lr << QByteArray("[1]") << missing << QByteArray();

    QTest::newRow("tangent plane")
        << ltp << QByteArray("{\"type\":1,\"local_tangent_plane\":{\"altitude\":10,\"latitude\":52,\"longitude\":5}}")
        << QString() << QByteArray();
    QTest::newRow("tangent plane, southern")
        << ltp
        << QByteArray(
               "{\"type\":1,\"local_tangent_plane\":{\"altitude\":-3.25,\"latitude\":-33.9,\"longitude\":-70.5}}")
        << QString() << QByteArray();
    QTest::newRow("tangent plane, no data")
        << ltp << QByteArray("{\"type\":1}") << notParsed("Missing local tangent plane data") << QByteArray();
    QTest::newRow("tangent plane, data not an object") << ltp << QByteArray("{\"local_tangent_plane\":[52,5,10]}")
                                                       << notParsed("Missing local tangent plane data") << QByteArray();
    QTest::newRow("tangent plane, no altitude")
        << ltp << QByteArray("{\"local_tangent_plane\":{\"latitude\":52,\"longitude\":5}}") << missing << QByteArray();
    QTest::newRow("tangent plane, latitude as text")
        << ltp << QByteArray("{\"local_tangent_plane\":{\"latitude\":\"52\",\"longitude\":5,\"altitude\":0}}")
        << invalidType("string", "number") << QByteArray();
    QTest::newRow("tangent plane, latitude beyond the pole")
        << ltp << QByteArray("{\"local_tangent_plane\":{\"latitude\":95,\"longitude\":5,\"altitude\":0}}")
        << notParsed("geographic reference") << QByteArray();
    QTest::newRow("tangent plane, longitude off the globe")
        << ltp << QByteArray("{\"local_tangent_plane\":{\"latitude\":5,\"longitude\":-200,\"altitude\":0}}")
        << notParsed("geographic reference") << QByteArray();

    const QByteArray utmForm =
        "{\"type\":2,\"UTM\":{\"north\":true,\"x_offset\":1.5,\"y_offset\":-2,\"z_offset\":0,\"zone\":31}}";
    QTest::newRow("UTM") << utm << utmForm << QString() << QByteArray();
    QTest::newRow("UTM, no type")
        << utm << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":1.5,\"y_offset\":-2,\"z_offset\":0,\"zone\":31}}")
        << QString() << utmForm;
    QTest::newRow("UTM, south, zone 60")
        << utm
        << QByteArray("{\"type\":2,\"UTM\":{\"north\":false,\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":60}}")
        << QString() << QByteArray();
    QTest::newRow("UTM, data a number") << utm << QByteArray("{\"type\":2,\"UTM\":5}") << notParsed("Missing UTM data")
                                        << QByteArray();
    QTest::newRow("UTM, zone with a fraction")
        << utm << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":31.5}}")
        << notParsed("UTM zone") << QByteArray();
    QTest::newRow("UTM, zone 0")
        << utm << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":0}}")
        << notParsed("UTM zone") << QByteArray();
    QTest::newRow("UTM, zone 61")
        << utm << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":61}}")
        << notParsed("UTM zone") << QByteArray();
    QTest::newRow("UTM, zone as text")
        << utm << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":\"31\"}}")
        << QStringLiteral("Invalid type for json value.") << QByteArray();
    QTest::newRow("UTM, zone beyond 32 bits")
        << utm
        << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":3000000000}}")
        << invalidType("number", "number") << QByteArray();
    QTest::newRow("UTM, no north") << utm
                                   << QByteArray("{\"UTM\":{\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":31}}")
                                   << missing << QByteArray();
    QTest::newRow("UTM, north as text")
        << utm << QByteArray("{\"UTM\":{\"north\":\"yes\",\"x_offset\":0,\"y_offset\":0,\"z_offset\":0,\"zone\":31}}")
        << invalidType("string", "boolean") << QByteArray();
    // The offsets are read before the zone.
    QTest::newRow("UTM, no y offset, zone as text")
        << utm << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":0,\"z_offset\":0,\"zone\":\"31\"}}") << missing
        << QByteArray();
    QTest::newRow("UTM, offset as text")
        << utm << QByteArray("{\"UTM\":{\"north\":true,\"x_offset\":\"1\",\"y_offset\":0,\"z_offset\":0,\"zone\":31}}")
        << invalidType("string", "number") << QByteArray();
}

void tst_ConverterJson::readAndWriteBack()
{
    QFETCH(CoordinateConverter::Type, kind);
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QFETCH(QByteArray, writtenBack);

    JsonContext context;
    QObject parent;
    std::unique_ptr<CoordinateConverter> converter;
    try {
        converter.reset(serDes(kind).fromJson(context, parse(json), nullptr));
    } catch (const JsonException &exception) {
        QCOMPARE(QString::fromUtf8(exception.what()), error);
        return;
    }
    QVERIFY2(error.isEmpty(), "read although it should not be");
    QCOMPARE(converter->type(), kind);
    QVERIFY(!converter->parent());

    QJsonValue written;
    serDes(kind).toJson(context, written, *converter);
    QCOMPARE(written, parse(writtenBack.isEmpty() ? json : writtenBack));
}

void tst_ConverterJson::readConvertersMeanWhatTheySay()
{
    JsonContext context;
    QObject parent;
    auto *plane = LocalTangentPlaneCoordinateConverter::fromJson(
        context, parse("{\"type\":1,\"local_tangent_plane\":{\"latitude\":52.0,\"longitude\":5.0,\"altitude\":10.0}}"),
        &parent);
    QCOMPARE(plane->parent(), &parent);
    QCOMPARE(plane->reference(), QGeoCoordinate(52, 5, 10));

    auto *utm = UTMCoordinateConverter::fromJson(
        context, parse("{\"UTM\":{\"zone\":31,\"north\":false,\"x_offset\":1.5,\"y_offset\":-2,\"z_offset\":4}}"),
        &parent);
    QCOMPARE(utm->zone(), 31);
    QCOMPARE(utm->north(), false);
    QCOMPARE(utm->offset(), (Coordinate{1.5, -2, 4}));

    auto *local = LocalRelativeCoordinateConverter::fromJson(
        context, parse("{\"local_relative\":\"6f1d2c3b-0a4e-4b5c-9d8e-7f6a5b4c3d2e\"}"), &parent);
    QCOMPARE(local->mapId(), QUuid(QStringLiteral("{6f1d2c3b-0a4e-4b5c-9d8e-7f6a5b4c3d2e}")));
    QVERIFY(!local->fullyResolved());
}

void tst_ConverterJson::lists_data()
{
    QTest::addColumn<CoordinateConverter::Type>("kind");
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    QTest::addColumn<int>("count");

    const QByteArray plane = "{\"type\":1,\"local_tangent_plane\":{\"altitude\":1,\"latitude\":2,\"longitude\":3}}";
    const QByteArray utm =
        "{\"type\":2,\"UTM\":{\"north\":true,\"x_offset\":1,\"y_offset\":2,\"z_offset\":3,\"zone\":4}}";
    QTest::newRow("empty") << CoordinateConverter::utm << QByteArray("[]") << QString() << 0;
    QTest::newRow("two planes") << CoordinateConverter::local_tangent_plane
                                << QByteArray("[" + plane + "," + plane + "]") << QString() << 2;
    QTest::newRow("three UTM") << CoordinateConverter::utm << QByteArray("[" + utm + "," + utm + "," + utm + "]")
                               << QString() << 3;
    QTest::newRow("an object") << CoordinateConverter::utm << utm << invalidType("object", "array") << 0;
    QTest::newRow("null") << CoordinateConverter::local_relative << QByteArray("null") << invalidType("null", "array")
                          << 0;
    QTest::newRow("the wrong kind inside")
        << CoordinateConverter::utm << QByteArray("[" + utm + "," + plane + "]") << notParsed("Missing UTM data") << 0;
}

void tst_ConverterJson::lists()
{
    QFETCH(CoordinateConverter::Type, kind);
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    QFETCH(int, count);

    JsonContext context;
    QObject parent;
    QList<CoordinateConverter *> converters;
    try {
        converters = serDes(kind).listFromJson(context, parse(json), &parent);
    } catch (const JsonException &exception) {
        QCOMPARE(QString::fromUtf8(exception.what()), error);
        return;
    }
    QVERIFY(error.isEmpty());
    QCOMPARE(converters.size(), count);
    for (const CoordinateConverter *converter : converters) {
        QCOMPARE(converter->parent(), &parent);
        QCOMPARE(converter->type(), kind);
    }
    QJsonValue written;
    serDes(kind).listToJson(context, written, converters);
    QCOMPARE(written, parse(json));
}

void tst_ConverterJson::failedListLeavesNothingBehind()
{
    JsonContext context;
    QObject parent;
    const QJsonValue json = parse("[{\"local_relative\":\"\"},{\"local_relative\":\"\"},{\"local_relative\":7}]");
    QVERIFY_THROWS_EXCEPTION(JsonInvalidTypeException,
                             LocalRelativeCoordinateConverter::listFromJson(context, json, &parent));
    QVERIFY(parent.children().isEmpty());
    QVERIFY_THROWS_EXCEPTION(JsonUndefinedException,
                             LocalRelativeCoordinateConverter::listFromJson(context, QJsonValue::Undefined, nullptr));
}

void tst_ConverterJson::tableHoldsTheThreeKinds()
{
    const auto &table = JsonSerDesRegistry::coordinateConverters();
    QCOMPARE(table.size(), 3);
    QVERIFY(!table.contains(CoordinateConverter::unknown));
    for (const auto &record : table)
        QCOMPARE(record.flag, false);

    // A writer given a converter of another kind writes nothing.
    JsonContext context;
    const UTMCoordinateConverter utm({}, 31, true);
    QJsonValue written;
    serDes(CoordinateConverter::local_tangent_plane).toJson(context, written, utm);
    QVERIFY(written.isNull());
}

// The fuzz harness's samples, cut short and with characters replaced, as the harness
// sees them: every reader refuses or reads, and nothing read fails to convert.
void tst_ConverterJson::damagedJsonIsRefused()
{
    QRandomGenerator random(20261211);
    const QDir samples(QStringLiteral(HALVORA_TEST_DATA_DIR "/scene-json"));
    const QByteArray replacements = "{}[],:\"0123456789-.eE ntrufals";
    const QStringList names = samples.entryList({QStringLiteral("*.json")}, QDir::Files);
    QVERIFY(!names.isEmpty());
    for (const QString &name : names) {
        QFile file(samples.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray original = file.readAll();
        for (qsizetype length = 0; length <= original.size(); ++length)
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(original.constData()), std::size_t(length));
        for (int round = 0; round < 1000; ++round) {
            QByteArray damaged = original;
            for (int change = 0, changes = 1 + random.bounded(3); change < changes; ++change)
                damaged[random.bounded(damaged.size())] = replacements.at(random.bounded(replacements.size()));
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(damaged.constData()), std::size_t(damaged.size()));
        }
    }
}

QTEST_GUILESS_MAIN(tst_ConverterJson)
#include "tst_ConverterJson.moc"
