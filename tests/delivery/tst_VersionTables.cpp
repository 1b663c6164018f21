#include "VersionTables.h"

#include <QJsonDocument>
#include <QRandomGenerator>
#include <QTest>

// The JSON side of the version information, without the file around it.
class tst_VersionTables : public QObject
{
    Q_OBJECT

private:
    static QJsonObject parse(const char *json) { return QJsonDocument::fromJson(json).object(); }

private slots:
    void blocksAreKeptWithTheirTexts()
    {
        const VersionTables tables = VersionTables::fromJson(parse(R"({"Blocks": {"Gain": {
            "LatestVersion": "2.0", "Category": "Math", "Functionality": "Scales", "Description": "A gain",
            "BlockIcon": "gain.svg", "Versions": {"2.0": {"file": "blocks/gain.zip", "sha256": "ab"}}}}})"));
        QCOMPARE(tables.blocks.size(), 1);
        const BlockEntry block = tables.blocks.value(QStringLiteral("Gain"));
        QCOMPARE(block.name, QStringLiteral("Gain"));
        QCOMPARE(block.latestVersion, QStringLiteral("2.0"));
        QCOMPARE(block.category, QStringLiteral("Math"));
        QCOMPARE(block.functionality, QStringLiteral("Scales"));
        QCOMPARE(block.description, QStringLiteral("A gain"));
        QCOMPARE(block.blockIcon, QStringLiteral("gain.svg"));
        QCOMPARE(block.versions.value(QStringLiteral("2.0")).file, QStringLiteral("blocks/gain.zip"));
        QCOMPARE(block.versions.value(QStringLiteral("2.0")).sha256, QStringLiteral("ab"));
    }

    // A value of an unexpected type reads as an empty text or object; nothing else
    // around it is lost.
    void unexpectedTypesReadAsEmpty_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("versionCount");
        QTest::newRow("well formed")
            << QByteArray(R"({"LatestVersion": "1.0", "Versions": {"1.0": {"file": "a/b.bin", "sha256": "x"}}})")
            << "1.0"
            << "a/b.bin" << 1;
        QTest::newRow("latest version as a number")
            << QByteArray(R"({"LatestVersion": 1.0, "Versions": {"1.0": {"file": "a/b.bin"}}})") << ""
            << "a/b.bin" << 1;
        QTest::newRow("file as an array")
            << QByteArray(R"({"LatestVersion": "1.0", "Versions": {"1.0": {"file": ["a"]}}})") << "1.0"
            << "" << 1;
        QTest::newRow("file object as a text")
            << QByteArray(R"({"LatestVersion": "1.0", "Versions": {"1.0": "a/b.bin"}})") << "1.0"
            << "" << 1;
        QTest::newRow("versions as an array")
            << QByteArray(R"({"LatestVersion": "1.0", "Versions": [{"file": "a/b.bin"}]})") << "1.0"
            << "" << 0;
        QTest::newRow("keys are case-sensitive")
            << QByteArray(R"({"latestversion": "1.0", "versions": {"1.0": {"File": "a/b.bin"}}})") << ""
            << "" << 0;
        QTest::newRow("entry is no object") << QByteArray(R"("ZeltoOS")") << ""
                                            << "" << 0;
    }
    void unexpectedTypesReadAsEmpty()
    {
        QFETCH(QByteArray, json);
        QFETCH(QString, latest);
        QFETCH(QString, file);
        QFETCH(int, versionCount);
        const QByteArray document = R"({"Components": {"ZeltoOS": )" + json + R"(, "Other": {"LatestVersion": "5"}}})";
        const VersionTables tables = VersionTables::fromJson(parse(document.constData()));
        QCOMPARE(tables.components.size(), 2);
        const ComponentEntry entry = tables.components.value(QStringLiteral("ZeltoOS"));
        QCOMPARE(entry.name, QStringLiteral("ZeltoOS"));
        QCOMPARE(entry.latestVersion, latest);
        QCOMPARE(entry.versions.size(), versionCount);
        QCOMPARE(entry.versions.value(QStringLiteral("1.0")).file, file);
        QCOMPARE(tables.components.value(QStringLiteral("Other")).latestVersion, QStringLiteral("5"));
    }

    void deviceComponentVersionsAsText()
    {
        const VersionTables tables = VersionTables::fromJson(parse(R"({"Devices": {"Zelto": {
            "LatestVersion": "1.1", "Versions": {"1.1": {"ZeltoOS": "1.1.0", "ZeltoWireless": 2}}}},
            "Components": [], "Blocks": "none"})"));
        const QMap<QString, QString> components =
            tables.devices.value(QStringLiteral("Zelto")).versions.value(QStringLiteral("1.1"));
        QCOMPARE(components.value(QStringLiteral("ZeltoOS")), QStringLiteral("1.1.0"));
        QVERIFY(components.contains(QStringLiteral("ZeltoWireless")));
        QVERIFY(components.value(QStringLiteral("ZeltoWireless")).isEmpty());
        QVERIFY(tables.components.isEmpty());
        QVERIFY(tables.blocks.isEmpty());
    }

    // Mutated documents never crash the reader (this runs under the sanitizers).
    void mutatedDocumentsNeverCrash()
    {
        const QByteArray document = R"({"Version": 1,
            "Devices": {"Zelto": {"LatestVersion": "1.1", "Versions": {"1.0": {"ZeltoOS": "1.0.0"}}}},
            "Components": {"ZeltoOS": {"LatestVersion": "1.1.0",
                "Versions": {"1.0.0": {"file": "firmware/ZeltoOS_1.0.0.bin", "sha256": "aa"}}}},
            "Blocks": {"Gain": {"LatestVersion": "2.0", "Versions": {"2.0": {"file": "g", "sha256": "b"}}}}})";
        const QByteArray alphabet = "{}[]\":,0123456789.-eE truefalsenull\\";
        QRandomGenerator random(4102);
        for (int round = 0; round < 4000; ++round) {
            QByteArray mutated = document;
            for (int edits = random.bounded(1, 6); edits > 0; --edits) {
                const int at = random.bounded(int(mutated.size()));
                switch (random.bounded(3)) {
                case 0:
                    mutated[at] = alphabet.at(random.bounded(int(alphabet.size())));
                    break;
                case 1:
                    mutated.remove(at, random.bounded(1, 8));
                    break;
                default:
                    mutated.insert(at, alphabet.at(random.bounded(int(alphabet.size()))));
                    break;
                }
            }
            const VersionTables tables = VersionTables::fromJson(QJsonDocument::fromJson(mutated).object());
            for (const DeviceEntry &device : tables.devices)
                QVERIFY(tables.devices.contains(device.name));
        }
    }
};

QTEST_APPLESS_MAIN(tst_VersionTables)
#include "tst_VersionTables.moc"
