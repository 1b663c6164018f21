#include "VersionControl.h"

#include "DownloadStorage.h"
#include "StoragePeer.h"
#include "VersionInfoCipher.h"
#include "support/ExternalTools.h"
#include "support/VersionInfoFixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace std::chrono_literals;

Q_DECLARE_METATYPE(SemanticVersion)

// The version information end to end: files made by openssl, served by the storage
// peer on loopback, fetched into the isolated application-data folder.
class tst_VersionControl : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storageDir;
    std::unique_ptr<StoragePeer> m_peer;

    QString servedPath() const { return m_storageDir.filePath(QStringLiteral("halvora/versionInfo.data")); }
    void serve(const QByteArray &content) { QVERIFY(ExternalTools::writeFile(servedPath(), content)); }
    void useStorage(const QUrl &base) { qputenv(DownloadStorage::kBaseVariable, base.toString().toUtf8()); }

    // Starts a download and waits for the load that follows it.
    static bool refreshAndWait(VersionControl &versions)
    {
        QSignalSpy updated(&versions, &VersionControl::VersionControlUpdated);
        return versions.refresh() == 0 && updated.wait(20000) && updated.size() == 1;
    }

    static void verifyGoodTables(const VersionControl &versions)
    {
        QCOMPARE(versions.latestDeviceVersion(QStringLiteral("Zelto")), QStringLiteral("1.1"));
        QCOMPARE(versions.latestComponentVersion(QStringLiteral("ZeltoOS")), QStringLiteral("1.1.0"));
        const QMap<QString, QString> expected{{QStringLiteral("ZeltoOS"), QStringLiteral("1.1.0")},
                                              {QStringLiteral("ZeltoWireless"), QStringLiteral("2.0.0")}};
        QCOMPARE(versions.deviceComponentVersions(QStringLiteral("Zelto"), QStringLiteral("1.1")), expected);
        const ComponentFile file = versions.componentFile(QStringLiteral("ZeltoOS"), QStringLiteral("1.0.0"));
        QCOMPARE(file.file, QStringLiteral("firmware/ZeltoOS_1.0.0.bin"));
        QCOMPARE(file.sha256, QStringLiteral("aa"));
    }

    static void verifyEmptyTables(const VersionControl &versions)
    {
        QVERIFY(versions.latestDeviceVersion(QStringLiteral("Zelto")).isEmpty());
        QVERIFY(versions.latestComponentVersion(QStringLiteral("ZeltoOS")).isEmpty());
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
        QVERIFY(m_storageDir.isValid());
        m_peer = std::make_unique<StoragePeer>(m_storageDir.path());
        QVERIFY(m_peer->start());
        m_peer->setSlowPace(64, 10ms);
        QCOMPARE(VersionInfoCipher::key().size(), 32);
        QCOMPARE(VersionInfoCipher::iv().size(), 16);
    }

    void init()
    {
        useStorage(m_peer->baseUrl());
        m_peer->clearRequests();
        serve(VersionInfoFixture::file(VersionInfoFixture::document()));
        QFile::remove(VersionControl().versionFilePath());
    }

    void goodFileIsReadAndKeptWhole()
    {
        VersionControl versions;
        verifyEmptyTables(versions);
        QSignalSpy updated(&versions, &VersionControl::VersionControlUpdated);
        QCOMPARE(versions.setApplicationVersion(SemanticVersion{1, 0, 0}), 0);
        QVERIFY(updated.wait(20000));
        QCOMPARE(m_peer->requests(), QStringList{QStringLiteral("/halvora/versionInfo.data")});
        verifyGoodTables(versions);
        QVERIFY(versions.latestDeviceVersion(QStringLiteral("Bexlin")).isEmpty());
        QVERIFY(versions.deviceComponentVersions(QStringLiteral("Zelto"), QStringLiteral("9.9")).isEmpty());
        QVERIFY(versions.componentFile(QStringLiteral("ZeltoOS"), QStringLiteral("9.9.9")).file.isEmpty());
        QVERIFY(versions.componentFile(QStringLiteral("Nothing"), QStringLiteral("1.0.0")).sha256.isEmpty());
        QVERIFY(versions.latestComponentVersion(QStringLiteral("zeltoos")).isEmpty());
        // The local copy still carries its digest, so it can be checked again later.
        QCOMPARE(ExternalTools::readFile(versions.versionFilePath()), ExternalTools::readFile(servedPath()));
    }

    void deviceVersionFromComponents_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QVariantMap>("given");
        QTest::addColumn<QString>("expected");
        QTest::newRow("both components of 1.1")
            << "Zelto" << QVariantMap{{"ZeltoOS", "1.1.0"}, {"ZeltoWireless", "2.0.0"}} << "1.1";
        QTest::newRow("1.0 ignores the component it does not list")
            << "Zelto" << QVariantMap{{"ZeltoOS", "1.0.0"}, {"ZeltoWireless", "9.9.9"}} << "1.0";
        QTest::newRow("a listed component missing") << "Zelto" << QVariantMap{{"ZeltoOS", "1.1.0"}} << "";
        QTest::newRow("nothing given") << "Zelto" << QVariantMap{} << "";
        QTest::newRow("versions compared exactly")
            << "Zelto" << QVariantMap{{"ZeltoOS", "1.1.0 "}, {"ZeltoWireless", "2.0.0"}} << "";
        QTest::newRow("component names compared exactly") << "Zelto" << QVariantMap{{"zeltoos", "1.0.0"}} << "";
        QTest::newRow("a version listing nothing matches anything")
            << "Tavrin" << QVariantMap{{"TavrinOS", "5.0.0"}} << "3.0";
        QTest::newRow("unlisted device") << "Kiro" << QVariantMap{{"ZeltoOS", "1.0.0"}} << "";
    }
    void deviceVersionFromComponents()
    {
        QFETCH(QString, device);
        QFETCH(QVariantMap, given);
        QFETCH(QString, expected);
        VersionControl versions;
        QVERIFY(refreshAndWait(versions));
        QMap<QString, QString> components;
        for (auto it = given.cbegin(); it != given.cend(); ++it)
            components.insert(it.key(), it.value().toString());
        QCOMPARE(versions.deviceVersionFromComponents(device, components), expected);
    }

    void applicationUpdate_data()
    {
        QTest::addColumn<SemanticVersion>("running");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("flagged");
        QTest::newRow("numerically newer minor") << SemanticVersion{1, 4, 2} << "1.10.0" << true;
        QTest::newRow("pre-release of the same version") << SemanticVersion{1, 4, 2} << "1.4.2-rc1" << false;
        QTest::newRow("two-number version") << SemanticVersion{1, 4, 2} << "1.5" << true;
        QTest::newRow("older") << SemanticVersion{1, 4, 2} << "1.4.1" << false;
        QTest::newRow("newer patch") << SemanticVersion{1, 4, 2} << "1.4.3" << true;
        QTest::newRow("no version text") << SemanticVersion{1, 4, 2} << "" << false;
    }
    void applicationUpdate()
    {
        QFETCH(SemanticVersion, running);
        QFETCH(QString, latest);
        QFETCH(bool, flagged);
        serve(VersionInfoFixture::file(VersionInfoFixture::document(latest)));
        VersionControl versions;
        QSignalSpy available(&versions, &VersionControl::halvoraUpdateAvailable);
        QSignalSpy updated(&versions, &VersionControl::VersionControlUpdated);
        QCOMPARE(versions.setApplicationVersion(running), 0);
        QVERIFY(updated.wait(20000));
        QCOMPARE(versions.getHalvoraUpdateStatus(), flagged);
        QCOMPARE(versions.property("halvoraUpdateAvailable").toBool(), flagged);
        QCOMPARE(available.size(), flagged ? 1 : 0);

        // The flag stays up once raised, and every load that finds the newer
        // version says so again.
        serve(VersionInfoFixture::file(VersionInfoFixture::document(QStringLiteral("0.1.0"))));
        QVERIFY(refreshAndWait(versions));
        QCOMPARE(versions.getHalvoraUpdateStatus(), flagged);
        QCOMPARE(available.size(), flagged ? 1 : 0);
    }

    // After a good load, a bad file is refused as a whole: the tables keep what they
    // had, and the load still ends with the update signal.
    void badFileKeepsTables_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("logLine");
        const QByteArray good = VersionInfoFixture::file(VersionInfoFixture::document());
        QByteArray flippedDigest = good;
        flippedDigest[flippedDigest.size() - 1] = char(flippedDigest.back() ^ 0x40);
        QByteArray flippedCipher = good;
        flippedCipher[5] = char(flippedCipher.at(5) ^ 0x01);
        QByteArray wrongKey = VersionInfoCipher::key();
        wrongKey[0] = char(wrongKey.at(0) ^ 0x80);
        const QByteArray otherKeyFile = ExternalTools::withOpensslDigest(ExternalTools::opensslEncrypt(
            QJsonDocument(VersionInfoFixture::document()).toJson(), wrongKey, VersionInfoCipher::iv()));
        QJsonObject version2 = VersionInfoFixture::document(QStringLiteral("9.0.0"));
        version2.insert(QStringLiteral("Version"), 2);
        version2.insert(QStringLiteral("Components"), QJsonObject{});

        const QString notLoaded = QStringLiteral("Could not load block info");
        QTest::newRow("digest byte flipped") << flippedDigest << notLoaded;
        QTest::newRow("ciphertext byte flipped") << flippedCipher << notLoaded;
        QTest::newRow("31 bytes") << good.left(31) << notLoaded;
        QTest::newRow("empty file") << QByteArray() << notLoaded;
        QTest::newRow("digest without ciphertext") << ExternalTools::withOpensslDigest(QByteArray()) << notLoaded;
        QTest::newRow("wrong key") << otherKeyFile << QStringLiteral("Could not decrypt the version information");
        QTest::newRow("empty plaintext") << VersionInfoFixture::file(QByteArray())
                                         << QStringLiteral("The version information is no JSON document:");
        QTest::newRow("plaintext is no JSON") << VersionInfoFixture::file(QByteArray("Version: 1\nDevices: none\n"))
                                              << QStringLiteral("The version information is no JSON document:");
        QTest::newRow("JSON array") << VersionInfoFixture::file(QByteArray("[1, 2, 3]"))
                                    << QStringLiteral("The version information is no JSON document:");
        QTest::newRow("Version 2") << VersionInfoFixture::file(version2)
                                   << QStringLiteral("The version information has an unknown format: 2");
        QTest::newRow("Version missing") << VersionInfoFixture::file(QByteArray(R"({"Devices": {}})"))
                                         << QStringLiteral("The version information has an unknown format: 0");
    }
    void badFileKeepsTables()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, logLine);
        VersionControl versions;
        QCOMPARE(versions.setApplicationVersion(SemanticVersion{1, 2, 0}), 0);
        QSignalSpy available(&versions, &VersionControl::halvoraUpdateAvailable);
        {
            QSignalSpy updated(&versions, &VersionControl::VersionControlUpdated);
            QVERIFY(updated.wait(20000));
        }
        verifyGoodTables(versions);

        serve(content);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(logLine)));
        QVERIFY(refreshAndWait(versions));
        verifyGoodTables(versions);
        // Only the "Version" 2 document gets as far as the update check, which reads
        // the tables it kept: they list HalvoraStudio 1.0.0, older than 1.2.0.
        QCOMPARE(available.size(), 0);
    }

    // The update check runs on a document of another format too, against the
    // application entry of the tables kept from before.
    void unknownFormatStillChecksForUpdate()
    {
        serve(VersionInfoFixture::file(VersionInfoFixture::document(QStringLiteral("2.0.0"))));
        VersionControl versions;
        QSignalSpy available(&versions, &VersionControl::halvoraUpdateAvailable);
        QSignalSpy updated(&versions, &VersionControl::VersionControlUpdated);
        QCOMPARE(versions.setApplicationVersion(SemanticVersion{1, 0, 0}), 0);
        QVERIFY(updated.wait(20000));
        QCOMPARE(available.size(), 1);

        QJsonObject version2 = VersionInfoFixture::document(QStringLiteral("0.0.1"));
        version2.insert(QStringLiteral("Version"), 2);
        serve(VersionInfoFixture::file(version2));
        QTest::ignoreMessage(QtDebugMsg, "The version information has an unknown format: 2");
        QVERIFY(refreshAndWait(versions));
        QCOMPARE(available.size(), 2);
        QCOMPARE(versions.latestComponentVersion(QStringLiteral("HalvoraStudio")), QStringLiteral("2.0.0"));
    }

    // The cached file is checked and read again whenever the download fails: on a
    // fresh start without the storage, and on a refresh that fails.
    void offlineStartUsesCachedFile_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::newRow("storage unreachable") << "unreachable";
        QTest::newRow("storage error document") << "missing";
        QTest::newRow("HTML error page") << "html500";
        QTest::newRow("connection cut") << "cut";
    }
    void offlineStartUsesCachedFile()
    {
        QFETCH(QString, failure);
        {
            VersionControl first;
            QVERIFY(refreshAndWait(first));
            verifyGoodTables(first);
        }
        const QByteArray cached = ExternalTools::readFile(VersionControl().versionFilePath());

        if (failure == QLatin1String("unreachable")) {
            quint16 port = 0;
            {
                QTcpServer probe;
                QVERIFY(probe.listen(QHostAddress::LocalHost));
                port = probe.serverPort();
            }
            useStorage(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)));
        } else if (failure == QLatin1String("missing")) {
            QFile::remove(servedPath());
        } else {
            useStorage(m_peer->faultUrl(failure));
        }

        VersionControl restarted;
        verifyEmptyTables(restarted);
        QVERIFY(refreshAndWait(restarted));
        verifyGoodTables(restarted);
        QCOMPARE(ExternalTools::readFile(restarted.versionFilePath()), cached);

        // And again: reading the cache leaves it as it was.
        QVERIFY(refreshAndWait(restarted));
        verifyGoodTables(restarted);
    }

    void noCachedFileAndNoStorage()
    {
        QFile::remove(servedPath());
        QTest::ignoreMessage(QtDebugMsg, "Could not load block info");
        VersionControl versions;
        QVERIFY(refreshAndWait(versions));
        verifyEmptyTables(versions);
        QVERIFY(!QFileInfo::exists(versions.versionFilePath()));
    }

    void refreshWhileDownloading()
    {
        VersionControl versions;
        useStorage(m_peer->faultUrl(QStringLiteral("slow")));
        QSignalSpy updated(&versions, &VersionControl::VersionControlUpdated);
        QCOMPARE(versions.refresh(), 0);
        QCOMPARE(versions.refresh(), -1);
        QCOMPARE(versions.refresh(), -1);
        QVERIFY(updated.wait(20000));
        QTest::qWait(50);
        QCOMPARE(updated.size(), 1);
        QCOMPARE(m_peer->requests().size(), 1);
        verifyGoodTables(versions);
        QCOMPARE(versions.refresh(), 0);
        QVERIFY(updated.wait(20000));
        QCOMPARE(m_peer->requests().size(), 2);
    }

    // Queries from another thread while the main thread replaces the tables: every
    // answer is one of the whole tables, never a mix or a crash.
    void queriesFromAnotherThreadDuringLoads()
    {
        VersionControl versions;
        QVERIFY(refreshAndWait(versions));
        QJsonObject other = VersionInfoFixture::document(QStringLiteral("1.0.0"));
        QJsonObject components = other.value(QStringLiteral("Components")).toObject();
        QJsonObject zeltoOs = components.value(QStringLiteral("ZeltoOS")).toObject();
        zeltoOs.insert(QStringLiteral("LatestVersion"), QStringLiteral("7.7.7"));
        components.insert(QStringLiteral("ZeltoOS"), zeltoOs);
        other.insert(QStringLiteral("Components"), components);
        const QByteArray files[] = {VersionInfoFixture::file(other),
                                    VersionInfoFixture::file(VersionInfoFixture::document())};

        std::atomic<bool> stop{false};
        std::atomic<int> unexpected{0};
        std::atomic<int> reads{0};
        std::unique_ptr<QThread> reader(QThread::create([&] {
            while (!stop.load()) {
                const QString latest = versions.latestComponentVersion(QStringLiteral("ZeltoOS"));
                const ComponentFile file = versions.componentFile(QStringLiteral("ZeltoOS"), QStringLiteral("1.1.0"));
                if ((latest != QLatin1String("7.7.7") && latest != QLatin1String("1.1.0"))
                    || file.file != QLatin1String("firmware/ZeltoOS_1.1.0.bin"))
                    ++unexpected;
                ++reads;
            }
        }));
        reader->start();
        for (int round = 0; round < 8; ++round) {
            serve(files[round % 2]);
            QVERIFY(refreshAndWait(versions));
        }
        stop = true;
        reader->wait();
        QVERIFY(reads.load() > 0);
        QCOMPARE(unexpected.load(), 0);
    }

    // Whatever the storage serves, a load ends with the update signal and no crash.
    void arbitraryFilesNeverCrash()
    {
        QRandomGenerator random(4101);
        const QByteArray good = VersionInfoFixture::file(VersionInfoFixture::document());
        VersionControl versions;
        for (int round = 0; round < 40; ++round) {
            QByteArray content;
            if (round % 2 == 0) {
                content.resize(random.bounded(200));
                for (char &byte : content)
                    byte = char(random.bounded(256));
            } else {
                content = good.left(random.bounded(int(good.size())));
            }
            serve(content);
            QVERIFY(refreshAndWait(versions));
            verifyEmptyTables(versions);
        }
    }

    // Runs last: it takes the folder away from every later VersionControl.
    void withoutVersionFolder()
    {
        const QString folder = QFileInfo(VersionControl().versionFilePath()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(ExternalTools::writeFile(folder, "not a folder"));

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Could not initialise AppData folder")));
        VersionControl versions;
        QSignalSpy available(&versions, &VersionControl::halvoraUpdateAvailable);
        QVERIFY(versions.versionFilePath().isEmpty());
        QCOMPARE(versions.setApplicationVersion(SemanticVersion{1, 0, 0}), -1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Could not initialise AppData folder")));
        QTest::ignoreMessage(QtWarningMsg, "No folder for the version information; it is not downloaded");
        QCOMPARE(versions.refresh(), -1);
        QTest::qWait(50);
        QVERIFY(m_peer->requests().isEmpty());

        // Once the folder can be made, a refresh fetches the file, and compares what it
        // publishes (1.0.0) with the version that runs.
        QVERIFY(QFile::remove(folder));
        QVERIFY(refreshAndWait(versions));
        verifyGoodTables(versions);
        QVERIFY(QFileInfo(folder).isDir());
        QVERIFY(!versions.getHalvoraUpdateStatus());
        QCOMPARE(available.size(), 0);
    }
};

QTEST_GUILESS_MAIN(tst_VersionControl)
#include "tst_VersionControl.moc"
