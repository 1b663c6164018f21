#include "FirmwareFileManager.h"

#include "DownloadStorage.h"
#include "StoragePeer.h"
#include "VersionControl.h"
#include "support/ExternalTools.h"
#include "support/VersionInfoFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace std::chrono_literals;

// Firmware files fetched on demand from the storage peer and reused afterwards.
class tst_FirmwareFileManager : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storageDir;
    std::unique_ptr<StoragePeer> m_peer;
    std::unique_ptr<VersionControl> m_versions;
    QString m_updateData;

    const QString zeltoOs = QStringLiteral("ZeltoOS");
    const QString wireless = QStringLiteral("ZeltoWireless");

    QString served(const QString &name) const
    {
        return m_storageDir.filePath(QStringLiteral("halvora/firmware/") + name);
    }
    QString local(const QString &name) const { return QDir(m_updateData).filePath(name); }
    void useStorage(const QUrl &base) { qputenv(DownloadStorage::kBaseVariable, base.toString().toUtf8()); }

    struct Spies
    {
        explicit Spies(FirmwareFileManager &manager)
            : available(&manager, &FirmwareFileManager::FirmwareAvailable)
            , notAvailable(&manager, &FirmwareFileManager::FirmwareNotAvailable)
        {
        }
        // Waits for the first outcome, then a little longer for any duplicate.
        bool waitForOutcome()
        {
            if (!QTest::qWaitFor([this] { return !available.isEmpty() || !notAvailable.isEmpty(); }, 20000))
                return false;
            QTest::qWait(50);
            return true;
        }
        QSignalSpy available;
        QSignalSpy notAvailable;
    };

    QStringList entriesOfUpdateData() const
    {
        return QDir(m_updateData).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
        QVERIFY(m_storageDir.isValid());
        QVERIFY(ExternalTools::writeFile(served(QStringLiteral("ZeltoOS_1.0.0.bin")), QByteArray(3000, 'a')));
        QVERIFY(ExternalTools::writeFile(served(QStringLiteral("ZeltoOS_1.1.0.bin")), QByteArray(5000, 'b')));
        QVERIFY(ExternalTools::writeFile(served(QStringLiteral("ZeltoWireless_2.0.0.bin")), QByteArray(7000, 'c')));
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath(QStringLiteral("halvora/Plain.bin")), "plain"));

        QJsonObject document = VersionInfoFixture::document();
        QJsonObject components = document.value(QStringLiteral("Components")).toObject();
        const auto file = [](const char *path) { return QJsonObject{{"file", QString::fromLatin1(path)}}; };
        components.insert(QStringLiteral("Odd"),
                          QJsonObject{{"Versions", QJsonObject{{"plain", file("Plain.bin")},
                                                               {"dots", file("firmware/..")},
                                                               {"folder", file("firmware/")},
                                                               {"escape", file("../../../../etc/passwd")},
                                                               {"missing", file("firmware/Missing.bin")}}}});
        document.insert(QStringLiteral("Components"), components);
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath(QStringLiteral("halvora/versionInfo.data")),
                                         VersionInfoFixture::file(document)));

        m_peer = std::make_unique<StoragePeer>(m_storageDir.path());
        QVERIFY(m_peer->start());
        m_peer->setSlowPace(500, 10ms);
        useStorage(m_peer->baseUrl());
        m_versions = std::make_unique<VersionControl>();
        QSignalSpy updated(m_versions.get(), &VersionControl::VersionControlUpdated);
        QCOMPARE(m_versions->refresh(), 0);
        QVERIFY(updated.wait(20000));
        QVERIFY(!m_versions->componentFile(zeltoOs, QStringLiteral("1.1.0")).file.isEmpty());
        m_updateData = QFileInfo(m_versions->versionFilePath()).absolutePath() + QStringLiteral("/../UpdateData");
        m_updateData = QDir::cleanPath(m_updateData);
    }

    void init()
    {
        useStorage(m_peer->baseUrl());
        QDir(m_updateData).removeRecursively();
        m_peer->clearRequests();
    }

    void downloadedOnceThenReused()
    {
        FirmwareFileManager manager(m_versions.get());
        Spies spies(manager);
        QVERIFY(manager.getFirmware(zeltoOs, QStringLiteral("1.1.0")).isEmpty());
        QVERIFY(spies.waitForOutcome());
        QCOMPARE(spies.notAvailable.size(), 0);
        QCOMPARE(spies.available.size(), 1);
        const QString path = local(QStringLiteral("ZeltoOS_1.1.0.bin"));
        QCOMPARE(spies.available.at(0), (QVariantList{zeltoOs, QStringLiteral("1.1.0"), path}));
        QCOMPARE(ExternalTools::sha256sumHex(path), ExternalTools::sha256sumHex(served("ZeltoOS_1.1.0.bin")));
        QCOMPARE(m_peer->requests(), QStringList{QStringLiteral("/halvora/firmware/ZeltoOS_1.1.0.bin")});

        // Asked again: the path at once, no download and no signal.
        QCOMPARE(manager.getFirmware(zeltoOs, QStringLiteral("1.1.0")), path);
        QTest::qWait(50);
        QCOMPARE(m_peer->requests().size(), 1);
        QCOMPARE(spies.available.size(), 1);
        QCOMPARE(spies.notAvailable.size(), 0);
        // Another manager (a restart) finds the file too.
        FirmwareFileManager restarted(m_versions.get());
        QCOMPARE(restarted.getFirmware(zeltoOs, QStringLiteral("1.1.0")), path);
        QCOMPARE(entriesOfUpdateData(), QStringList{QStringLiteral("ZeltoOS_1.1.0.bin")});
    }

    // Calls for one component while its download runs share that download, and its
    // outcome names the version it was started with.
    void callsDuringADownloadShareIt()
    {
        useStorage(m_peer->faultUrl(QStringLiteral("slow")));
        FirmwareFileManager manager(m_versions.get());
        Spies spies(manager);
        QVERIFY(manager.getFirmware(zeltoOs, QStringLiteral("1.1.0")).isEmpty());
        QVERIFY(manager.getFirmware(zeltoOs, QStringLiteral("1.1.0")).isEmpty());
        QVERIFY(manager.getFirmware(zeltoOs, QStringLiteral("1.0.0")).isEmpty());
        // Another component downloads beside it.
        QVERIFY(manager.getFirmware(wireless, QStringLiteral("2.0.0")).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(spies.available.size(), 2, 20000);
        QTest::qWait(50);
        QCOMPARE(spies.available.size(), 2);
        QCOMPARE(spies.notAvailable.size(), 0);
        QStringList announced;
        for (const QVariantList &arguments : std::as_const(spies.available))
            announced.append(arguments.at(0).toString() + QLatin1Char(' ') + arguments.at(1).toString());
        announced.sort();
        QCOMPARE(announced, (QStringList{QStringLiteral("ZeltoOS 1.1.0"), QStringLiteral("ZeltoWireless 2.0.0")}));
        QCOMPARE(m_peer->requestCount(QStringLiteral("/fault/slow/halvora/firmware/ZeltoOS_1.1.0.bin")), 1);
        QCOMPARE(m_peer->requests().size(), 2);
    }

    // A failed download is announced once, leaves nothing under the final name, and
    // does not stand in the way of the next attempt.
    void failedDownloadIsAnnouncedOnceAndRetried_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("version");
        QTest::newRow("storage error document") << ""
                                                << "missing";
        QTest::newRow("error document split over reads") << "slow"
                                                         << "missing";
        QTest::newRow("HTML error page") << "html500"
                                         << "1.0.0";
        QTest::newRow("connection cut half way") << "cut"
                                                 << "1.0.0";
    }
    void failedDownloadIsAnnouncedOnceAndRetried()
    {
        QFETCH(QString, fault);
        QFETCH(QString, version);
        const QString component = version == QLatin1String("missing") ? QStringLiteral("Odd") : zeltoOs;
        if (!fault.isEmpty())
            useStorage(m_peer->faultUrl(fault));
        FirmwareFileManager manager(m_versions.get());
        Spies spies(manager);
        QVERIFY(manager.getFirmware(component, version).isEmpty());
        QVERIFY(spies.waitForOutcome());
        QCOMPARE(spies.available.size(), 0);
        QCOMPARE(spies.notAvailable.size(), 1);
        QCOMPARE(spies.notAvailable.at(0), (QVariantList{component, version, QString()}));
        QVERIFY(entriesOfUpdateData().isEmpty());

        if (version == QLatin1String("missing"))
            return;
        // The storage is well again: the file is fetched, not mistaken for present.
        useStorage(m_peer->baseUrl());
        QVERIFY(manager.getFirmware(component, version).isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(spies.available.size(), 1, 20000);
        QCOMPARE(ExternalTools::sha256sumHex(local(QStringLiteral("ZeltoOS_1.0.0.bin"))),
                 ExternalTools::sha256sumHex(served("ZeltoOS_1.0.0.bin")));
    }

    // What the version information does not list, or lists under an unusable name,
    // is announced as not available without a request and without a file.
    void unlistedOrUnusableNames_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("version");
        QTest::newRow("unlisted component") << "TavrinOS"
                                            << "1.0.0";
        QTest::newRow("unlisted version") << "ZeltoOS"
                                          << "9.9.9";
        QTest::newRow("name is a parent folder") << "Odd"
                                                 << "dots";
        QTest::newRow("name is empty after the slash") << "Odd"
                                                       << "folder";
    }
    void unlistedOrUnusableNames()
    {
        QFETCH(QString, component);
        QFETCH(QString, version);
        FirmwareFileManager manager(m_versions.get());
        Spies spies(manager);
        QVERIFY(manager.getFirmware(component, version).isEmpty());
        // Announced later, never from inside the call.
        QCOMPARE(spies.notAvailable.size(), 0);
        QVERIFY(spies.waitForOutcome());
        QCOMPARE(spies.notAvailable.size(), 1);
        QCOMPARE(spies.notAvailable.at(0), (QVariantList{component, version, QString()}));
        QCOMPARE(spies.available.size(), 0);
        QVERIFY(m_peer->requests().isEmpty());
        QVERIFY(entriesOfUpdateData().isEmpty());
    }

    // The local name is the last element of the listed path, whatever folders the
    // path names on the storage side.
    void localNameIsTheLastPathElement_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("request");
        QTest::addColumn<QString>("localName");
        QTest::newRow("no folder in the path") << "plain"
                                               << "/halvora/Plain.bin"
                                               << "Plain.bin";
        QTest::newRow("parent folders in the path") << "escape"
                                                    << "/etc/passwd"
                                                    << "passwd";
    }
    void localNameIsTheLastPathElement()
    {
        QFETCH(QString, version);
        QFETCH(QString, request);
        QFETCH(QString, localName);
        FirmwareFileManager manager(m_versions.get());
        Spies spies(manager);
        QVERIFY(manager.getFirmware(QStringLiteral("Odd"), version).isEmpty());
        QVERIFY(spies.waitForOutcome());
        QCOMPARE(m_peer->requests().size(), 1);
        QVERIFY2(m_peer->requests().constFirst().endsWith(request), qPrintable(m_peer->requests().constFirst()));
        // Whatever came back, it can only have landed inside the folder.
        const QStringList entries = entriesOfUpdateData();
        QVERIFY(entries.isEmpty() || entries == QStringList{localName});
    }
};

QTEST_GUILESS_MAIN(tst_FirmwareFileManager)
#include "tst_FirmwareFileManager.moc"
