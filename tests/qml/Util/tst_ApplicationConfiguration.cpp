#include "ApplicationConfiguration.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class tst_ApplicationConfiguration : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    QString fixture(const QString &name, const QByteArray &content)
    {
        const QString path = m_folder.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            return {};
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_folder.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    }

    void files_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QVariantMap>("expected");

        const QString broken = QStringLiteral("Configuration file is not correctly formatted.");
        QTest::newRow("an object")
            << QByteArray("{\"name\": \"bench\", \"retries\": 3, \"nested\": {\"on\": true}, \"list\": [1, \"a\"]}")
            << QString()
            << QVariantMap{{"name", "bench"},
                           {"retries", 3},
                           {"nested", QVariantMap{{"on", true}}},
                           {"list", QVariantList{1, "a"}}};
        QTest::newRow("an empty object") << QByteArray("{}") << QString() << QVariantMap();
        QTest::newRow("an array") << QByteArray("[1, 2]") << broken << QVariantMap();
        QTest::newRow("a bare number") << QByteArray("7") << broken << QVariantMap();
        QTest::newRow("broken JSON") << QByteArray("{\"name\": ") << broken << QVariantMap();
        QTest::newRow("trailing garbage") << QByteArray("{\"name\": \"x\"} trailing") << broken << QVariantMap();
        QTest::newRow("an empty file") << QByteArray() << broken << QVariantMap();
        QTest::newRow("binary noise") << QByteArray("\x00\xff\xfe{\x01", 5) << broken << QVariantMap();
    }
    void files()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, warning);
        QFETCH(QVariantMap, expected);
        const QString path = fixture(QStringLiteral("%1.json").arg(QTest::currentDataTag()), content);
        QVERIFY(!path.isEmpty());

        ApplicationConfiguration configuration(nullptr);
        if (!warning.isEmpty())
            QTest::ignoreMessage(QtWarningMsg, qPrintable(warning));
        QCOMPARE(configuration.readFrom(path), warning.isEmpty());
        for (auto it = expected.cbegin(); it != expected.cend(); ++it)
            QCOMPARE(configuration.getConfiguration(it.key()), it.value());
        QVERIFY(!configuration.getConfiguration(QStringLiteral("absent")).isValid());
        QVERIFY(!configuration.getConfiguration().isValid());
    }

    void aMissingFile()
    {
        ApplicationConfiguration configuration(nullptr);
        QTest::ignoreMessage(QtWarningMsg, "Could not open config file");
        QVERIFY(!configuration.readFrom(m_folder.filePath(QStringLiteral("none.json"))));
        QVERIFY(!configuration.getConfiguration(QStringLiteral("name")).isValid());
    }

    // The configuration comes from "appconfig.json" in the user's configuration
    // folder of the program; without it, the folder is still made.
    void theUsersConfigurationFile()
    {
        const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
        QVERIFY(folder.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QDir(folder).removeRecursively();

        QTest::ignoreMessage(QtWarningMsg, "Could not open config file");
        {
            ApplicationConfiguration withoutFile;
            QVERIFY(!withoutFile.getConfiguration(QStringLiteral("name")).isValid());
        }
        QVERIFY(QFileInfo(folder).isDir());

        QFile file(folder + "/appconfig.json");
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("{\"name\": \"from the user's file\"}");
        file.close();
        ApplicationConfiguration withFile;
        QCOMPARE(withFile.getConfiguration(QStringLiteral("name")).toString(), QStringLiteral("from the user's file"));
    }
};

QTEST_GUILESS_MAIN(tst_ApplicationConfiguration)
#include "tst_ApplicationConfiguration.moc"
