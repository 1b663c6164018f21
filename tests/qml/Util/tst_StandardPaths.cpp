#include "StandardPaths.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

// Runs in the isolated test environment: every base folder lies in a fresh tree.
class tst_StandardPaths : public QObject
{
    Q_OBJECT

private:
    static QString call(const StandardPaths &paths, const char *getter, const QString &fileName)
    {
        QString result;
        const bool called = fileName.isNull()
                                ? QMetaObject::invokeMethod(const_cast<StandardPaths *>(&paths), getter,
                                                            Q_RETURN_ARG(QString, result))
                                : QMetaObject::invokeMethod(const_cast<StandardPaths *>(&paths), getter,
                                                            Q_RETURN_ARG(QString, result), Q_ARG(QString, fileName));
        return called ? result : QStringLiteral("<no such getter>");
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    }

    void getters_data()
    {
        QTest::addColumn<QByteArray>("getter");
        QTest::addColumn<QString>("base");
        QTest::addColumn<bool>("grouped");

        const auto location = [](QStandardPaths::StandardLocation kind) {
            return QStandardPaths::writableLocation(kind);
        };
        QTest::newRow("hidden user data")
            << QByteArray("getHiddenUserDataPath") << location(QStandardPaths::AppDataLocation) << true;
        QTest::newRow("user data") << QByteArray("getUserDataPath")
                                   << location(QStandardPaths::DocumentsLocation) + "/qttest/Ostrel/Halvora Lab"
                                   << true;
        QTest::newRow("configuration") << QByteArray("getConfigPath") << location(QStandardPaths::AppConfigLocation)
                                       << true;
        QTest::newRow("cache") << QByteArray("getCachePath") << location(QStandardPaths::CacheLocation) << true;
        QTest::newRow("temporary") << QByteArray("getTempPath") << location(QStandardPaths::TempLocation) << false;
        QTest::newRow("downloads") << QByteArray("getDownloadsPath") << location(QStandardPaths::DownloadLocation)
                                   << false;
        QTest::newRow("resources") << QByteArray("getResourcePath")
                                   << QCoreApplication::applicationDirPath() + "/resources" << false;
    }
    void getters()
    {
        QFETCH(QByteArray, getter);
        QFETCH(QString, base);
        QFETCH(bool, grouped);
        QVERIFY(base.startsWith(qEnvironmentVariable("HALVORA_TEST_ROOT")) || getter == "getResourcePath");

        StandardPaths paths;
        paths.setGroup(QStringLiteral("a"));
        const QString folder = grouped ? base + "/a" : base;
        QCOMPARE(call(paths, getter, QStringLiteral("f.txt")), folder + "/f.txt");
        QCOMPARE(call(paths, getter, QString()), folder);
        QCOMPARE(QFileInfo(base + "/a").isDir(), grouped);
        QVERIFY(!QFileInfo::exists(folder + "/f.txt"));

        StandardPaths ungrouped;
        QCOMPARE(call(ungrouped, getter, QStringLiteral("f.txt")), base + "/f.txt");
    }

    void applicationPath() { QCOMPARE(StandardPaths().getApplicationPath(), QCoreApplication::applicationDirPath()); }

    void subGroups_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("expected");
        QTest::newRow("below a group") << "a"
                                       << "a/b";
        QTest::newRow("below no group") << ""
                                        << "b";
        QTest::newRow("two levels") << "a/b"
                                    << "a/b/b";
    }
    void subGroups()
    {
        QFETCH(QString, group);
        QFETCH(QString, expected);
        StandardPaths paths;
        paths.setGroup(group);
        std::unique_ptr<StandardPaths> child(paths.subGroup(QStringLiteral("b")));
        QCOMPARE(child->group(), expected);
        QCOMPARE(child->parent(), nullptr);
        QCOMPARE(child->getCachePath(),
                 QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + "/" + expected);

        QObject owner;
        QCOMPARE(paths.subGroup(QStringLiteral("c"), &owner)->parent(), &owner);
    }

    void groupChangesAreAnnounced()
    {
        StandardPaths paths;
        QSignalSpy changes(&paths, &StandardPaths::groupChanged);
        paths.setGroup(QStringLiteral("a"));
        paths.setGroup(QStringLiteral("a"));
        paths.setGroup(QString());
        QCOMPARE(changes.size(), 2);
    }
};

QTEST_GUILESS_MAIN(tst_StandardPaths)
#include "tst_StandardPaths.moc"
