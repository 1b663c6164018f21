#include "ApplicationFolders.h"

#include <QTemporaryDir>
#include <QTest>

// Folders are checked against an injected set of base locations (a temporary tree),
// and once against the real XDG variables of the isolated test environment.
class tst_ApplicationFolders : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;

    ApplicationFolders::Locations locations(const QString &home, const QString &appData,
                                            const QStringList &genericConfig, const QString &genericData)
    {
        return {[=] { return home; }, [=] { return appData; }, [=] { return genericConfig; },
                [=] { return genericData; }};
    }
    QString path(const QString &relative) const { return m_root.filePath(relative); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
    }

    void baseAndSubFolders_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("expected");

        QTest::newRow("home binaries") << int(ApplicationFolders::HomeFolder) << QByteArray("AppBinaries")
                                       << path("home/HalvoraStudio/AppBinaries");
        QTest::newRow("home log data of a board")
            << int(ApplicationFolders::HomeFolder) << QByteArray("LogData/SN-0042")
            << path("home/HalvoraStudio/LogData/SN-0042");
        QTest::newRow("roaming data is renamed") << int(ApplicationFolders::AppDataFolder) << QByteArray("Version")
                                                 << path("Roaming/Ostrel/HalvoraStudio Lab/Version");
        QTest::newRow("program data, two levels at once")
            << int(ApplicationFolders::ProgramDataFolder) << QByteArray("MatlabHelper/ToolchainInstall")
            << path("ProgramData/Ostrel/HalvoraStudio/MatlabHelper/ToolchainInstall");
    }
    void baseAndSubFolders()
    {
        QFETCH(int, kind);
        QFETCH(QByteArray, name);
        QFETCH(QString, expected);
        ApplicationFolders folders(locations(path("home"), path("Roaming/Ostrel/Halvora Lab"),
                                             {path("etc"), path("ProgramData")}, path("share")));
        const auto dir = folders.subFolder(ApplicationFolders::FolderKind(kind), name);
        QVERIFY(dir.has_value());
        QCOMPARE(dir->absolutePath(), expected);
        QVERIFY(QFileInfo(expected).isDir());
        QVERIFY(folders.isInitialised(ApplicationFolders::FolderKind(kind)));
    }

    void programDataFallsBackToPerUserFolder()
    {
        ApplicationFolders folders(locations(path("h"), path("a"), {path("etc/xdg")}, path("fallback-share")));
        QTest::ignoreMessage(QtInfoMsg, QRegularExpression("No machine-wide ProgramData folder"));
        const auto dir = folders.subFolder(ApplicationFolders::ProgramDataFolder, "MatlabHelper");
        QVERIFY(dir.has_value());
        QCOMPARE(dir->absolutePath(), path("fallback-share/Ostrel/HalvoraStudio/MatlabHelper"));
        QCOMPARE(folders.folder(ApplicationFolders::ProgramDataRoot).absolutePath(), path("fallback-share"));
    }

    void realXdgLocations()
    {
        // The isolated environment points XDG_DATA_HOME and HOME at fresh folders.
        ApplicationFolders folders;
        const auto logs = folders.subFolder(ApplicationFolders::AppDataFolder, "ApplicationLogs");
        QVERIFY(logs.has_value());
        QCOMPARE(logs->absolutePath(), qEnvironmentVariable("XDG_DATA_HOME") + "/Ostrel/Halvora Lab/ApplicationLogs");
        const auto binaries = folders.subFolder(ApplicationFolders::HomeFolder, "AppBinaries");
        QVERIFY(binaries.has_value());
        QCOMPARE(binaries->absolutePath(), QDir::homePath() + "/HalvoraStudio/AppBinaries");
    }

    void failuresNeverBecomeTheWorkingDirectory_data()
    {
        QTest::addColumn<QString>("home");
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QString>("blockingFile");

        QTest::newRow("no home location") << QString() << QByteArray("AppBinaries") << QString();
        QTest::newRow("a file blocks the folder")
            << path("blocked") << QByteArray("Version") << path("blocked/HalvoraStudio/Version");
        QTest::newRow("a file blocks the base folder")
            << path("blocked-base") << QByteArray("AppBinaries") << path("blocked-base/HalvoraStudio");
        QTest::newRow("parent segment") << path("h2") << QByteArray("LogData/../../x") << QString();
        QTest::newRow("only a parent") << path("h2") << QByteArray("..") << QString();
        QTest::newRow("current segment") << path("h2") << QByteArray("./LogData") << QString();
        QTest::newRow("absolute") << path("h2") << QByteArray("/tmp/evil") << QString();
        QTest::newRow("backslash") << path("h2") << QByteArray("LogData\\..\\x") << QString();
        QTest::newRow("drive") << path("h2") << QByteArray("C:/x") << QString();
        QTest::newRow("empty") << path("h2") << QByteArray() << QString();
    }
    void failuresNeverBecomeTheWorkingDirectory()
    {
        QFETCH(QString, home);
        QFETCH(QByteArray, name);
        QFETCH(QString, blockingFile);
        if (!blockingFile.isEmpty()) {
            QDir().mkpath(QFileInfo(blockingFile).absolutePath());
            QFile file(blockingFile);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QTemporaryDir workingDir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(workingDir.path());
        ApplicationFolders folders(locations(home, path("a"), {}, path("s")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("."));
        const auto dir = folders.subFolder(ApplicationFolders::HomeFolder, name);
        QDir::setCurrent(previous);
        QVERIFY(!dir.has_value());
        QVERIFY2(QDir(workingDir.path()).isEmpty(), "nothing may be made in the working directory");
        QVERIFY(!QFileInfo::exists(path("x")));
    }

    void deletedSubFolderIsMadeAgain()
    {
        ApplicationFolders folders(locations(path("again"), path("again-data"), {}, path("s")));
        const auto first = folders.subFolder(ApplicationFolders::AppDataFolder, "Version");
        QVERIFY(first.has_value());
        QVERIFY(QDir(first->absolutePath()).removeRecursively());
        const auto second = folders.subFolder(ApplicationFolders::AppDataFolder, "Version");
        QVERIFY(second.has_value());
        QCOMPARE(second->absolutePath(), first->absolutePath());
        QVERIFY(second->exists());
    }
};

QTEST_GUILESS_MAIN(tst_ApplicationFolders)
#include "tst_ApplicationFolders.moc"
