#include "ToolchainHandler.h"

#include "ApplicationFolders.h"
#include "DownloadStorage.h"
#include "StoragePeer.h"
#include "ToolchainPackage.h"
#include "VersionControl.h"
#include "VersionInfoCipher.h"
#include "support/ExternalTools.h"
#include "support/ToolchainFixture.h"
#include "support/VersionInfoFixture.h"

#include <QDirIterator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <mutex>

using namespace std::chrono_literals;

namespace {

// The progress the rows would show, in the order it reached the main thread.
class ProgressLog : public QObject
{
public:
    explicit ProgressLog(ToolchainHandler &handler)
    {
        const auto record = [this](const QString &version, const QString &msg, int progress, bool isError) {
            lines.append(version + QLatin1Char('|') + msg + QLatin1Char('|') + QString::number(progress)
                         + (isError ? QStringLiteral("|error") : QString()));
        };
        connect(&handler, &ToolchainHandler::InstallProgressUpdated, this, record);
        connect(&handler, &ToolchainHandler::InstallProgressUpdatedFromThread, this, record);
    }
    QStringList of(const QString &version) const
    {
        QStringList found;
        for (const QString &line : lines) {
            if (line.startsWith(version + QLatin1Char('|')))
                found.append(line.mid(version.size() + 1));
        }
        return found;
    }
    QStringList lines;
};

const QString downloading = QStringLiteral("Downloading latest toolchain version.|0");
const QString starting = QStringLiteral("Starting MATLAB.|0");
const QString failed = QStringLiteral("Downloading the toolchain failed.|100|error");

// Every file below the folder with its content, sorted by path.
QStringList filesOf(const QString &folder)
{
    QStringList found;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        found.append(QDir(folder).relativeFilePath(path) + QLatin1Char('=')
                     + QString::fromUtf8(ExternalTools::readFile(path)));
    }
    found.sort();
    return found;
}

} // namespace

// The toolchain installer end to end: packages made with zip and openssl, served by the
// storage peer, installed into two MATLAB releases played by the fake matlab script.
class tst_ToolchainHandler : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storageDir;
    QTemporaryDir m_matlabRoot;
    std::unique_ptr<StoragePeer> m_peer;
    std::unique_ptr<VersionControl> m_versions;
    QString m_helperFolder;

    // The MATLAB starts in the order the helper made them: release and statement.
    std::mutex m_startsLock;
    QStringList m_starts;

    const QMap<QString, QByteArray> m_goodFiles{{"installHalvoraToolchain.m", "disp('install')"},
                                                {"uninstallHalvoraToolchain.m", "disp('uninstall')"},
                                                {"blocks/gain.slx", "gain"}};

    QString toolchainFolder() const { return m_helperFolder + QStringLiteral("/ToolchainInstall"); }
    QString logPath() const { return m_matlabRoot.filePath(QStringLiteral("matlab.log")); }
    void useStorage(const QUrl &base) { qputenv(DownloadStorage::kBaseVariable, base.toString().toUtf8()); }
    static QString packagePath(const QString &version)
    {
        return QStringLiteral("toolchain/HalvoraMatlabToolchain_%1.data").arg(version);
    }

    ToolchainHandler::Settings settings(VersionControl *versions = nullptr)
    {
        ToolchainHandler::Settings settings;
        settings.versions = versions ? versions : m_versions.get();
        settings.matlab.installationRoots = QStringList{m_matlabRoot.path()};
        settings.matlab.launch = [this](const MatlabCommand &command) {
            {
                std::lock_guard lock(m_startsLock);
                m_starts.append(QDir(command.program).absolutePath().section(QLatin1Char('/'), -3, -3)
                                + QLatin1Char(' ') + command.arguments.value(3));
            }
            return MatlabHelper::startDetached(command);
        };
        return settings;
    }

    QStringList starts()
    {
        std::lock_guard lock(m_startsLock);
        return m_starts;
    }

    // Serves the package and lists it as the latest toolchain (with its own digest
    // unless another is given), then reloads the version information.
    void publish(const QString &version, const QByteArray &package, const QString &listedDigest = {})
    {
        const QString served = m_storageDir.filePath(QStringLiteral("halvora/") + packagePath(version));
        if (package.isNull())
            QFile::remove(served);
        else
            QVERIFY(ExternalTools::writeFile(served, package));
        const QString digest = listedDigest.isEmpty() ? ExternalTools::sha256sumHex(package) : listedDigest;
        QVERIFY(ExternalTools::writeFile(
            m_storageDir.filePath(QStringLiteral("halvora/versionInfo.data")),
            VersionInfoFixture::file(ToolchainFixture::versionDocument(version, packagePath(version), digest))));
        const QUrl before = QUrl(qEnvironmentVariable(DownloadStorage::kBaseVariable));
        useStorage(m_peer->baseUrl());
        QSignalSpy updated(m_versions.get(), &VersionControl::VersionControlUpdated);
        QCOMPARE(m_versions->refresh(), 0);
        QVERIFY(updated.wait(20000));
        QCOMPARE(m_versions->latestComponentVersion(QStringLiteral("HalvoraMatlabToolchain")), version);
        // Handlers hear of it through a queued connection.
        QTest::qWait(10);
        useStorage(before);
        m_peer->clearRequests();
    }

    QByteArray goodPackage(const QByteArray &marker = "gain")
    {
        QMap<QString, QByteArray> files = m_goodFiles;
        files.insert(QStringLiteral("blocks/gain.slx"), marker);
        return ToolchainFixture::encrypt(ToolchainFixture::zipWithCli(files));
    }

    // A whole copy of an earlier toolchain in the folder.
    void placeLocalCopy(const QByteArray &version)
    {
        QVERIFY(ExternalTools::writeFile(toolchainFolder() + QStringLiteral("/installHalvoraToolchain.m"), "old"));
        QVERIFY(ExternalTools::writeFile(toolchainFolder() + QStringLiteral("/version"), version));
    }
    QStringList oldCopy(const QByteArray &version) const
    {
        return {QStringLiteral("installHalvoraToolchain.m=old"), QStringLiteral("version=") + version};
    }
    QStringList newCopy(const QByteArray &version, const QString &marker = QStringLiteral("gain")) const
    {
        return {QStringLiteral("blocks/gain.slx=") + marker,
                QStringLiteral("installHalvoraToolchain.m=disp('install')"),
                QStringLiteral("uninstallHalvoraToolchain.m=disp('uninstall')"), QStringLiteral("version=") + version};
    }
    // Nothing but the copy and the version files of MATLAB is left in the helper's folder.
    void verifyNothingLeftOver()
    {
        QStringList entries = QDir(m_helperFolder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
        entries.removeAll(QStringLiteral("MatlabToolchainVersion"));
        QCOMPARE(entries, QStringList{QStringLiteral("ToolchainInstall")});
        QVERIFY(!QFile::exists(toolchainFolder() + QStringLiteral("/HalvoraMatlabToolchain.data")));
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
        QVERIFY(m_storageDir.isValid());
        QVERIFY(m_matlabRoot.isValid());
        QVERIFY(ToolchainFixture::Installations::make(m_matlabRoot.path(),
                                                      {QStringLiteral("R2023a"), QStringLiteral("R2023b")}));
        qputenv("FAKE_MATLAB_LOG", logPath().toUtf8());
        m_peer = std::make_unique<StoragePeer>(m_storageDir.path());
        QVERIFY(m_peer->start());
        m_peer->setSlowPace(256, 10ms);
        useStorage(m_peer->baseUrl());
        m_versions = std::make_unique<VersionControl>();
        m_helperFolder = ApplicationFolders::instance()
                             .subFolder(ApplicationFolders::ProgramDataFolder, MatlabHelper::kFolderName)
                             ->absolutePath();
    }

    void init()
    {
        QDir(m_helperFolder).removeRecursively();
        QFile::remove(logPath());
        std::lock_guard lock(m_startsLock);
        m_starts.clear();
        publish(QStringLiteral("1.3.0"), goodPackage());
        useStorage(m_peer->baseUrl());
    }

    // Two requests while the copy is missing wait for one download; then MATLAB is
    // started for both, in the order of their versions, in the new copy.
    void requestsWaitForOneDownload()
    {
        useStorage(m_peer->faultUrl(QStringLiteral("slow")));
        ToolchainHandler handler(nullptr, settings());
        ProgressLog progress(handler);
        QSignalSpy completed(&handler, &ToolchainHandler::DownloadCompleted);
        handler.installToolchain("9.15");
        handler.installToolchain("9.14");
        QVERIFY(handler.isDownloading());
        QTRY_COMPARE_WITH_TIMEOUT(progress.of("9.14").size(), 2, 30000);
        QTRY_COMPARE(progress.of("9.15").size(), 2);

        QCOMPARE(m_peer->requests(), QStringList{"/fault/slow/halvora/" + packagePath("1.3.0")});
        QCOMPARE(completed.size(), 1);
        QCOMPARE(progress.of("9.14"), (QStringList{downloading, starting}));
        QCOMPARE(progress.of("9.15"), (QStringList{downloading, starting}));
        QCOMPARE(filesOf(toolchainFolder()), newCopy("1.3.0"));
        verifyNothingLeftOver();
        // The helper starts MATLAB on its own thread.
        QTRY_COMPARE(starts(), (QStringList{"R2023a installHalvoraToolchain", "R2023b installHalvoraToolchain"}));
        QVERIFY(!handler.isDownloading());

        // MATLAB ran in the copy, with the statement, and wrote what it installed.
        QTRY_COMPARE(ToolchainFixture::matlabRuns(logPath()).size(), 2);
        QStringList runs = ToolchainFixture::matlabRuns(logPath());
        runs.sort();
        const QString line = QStringLiteral("|-sd %1 -r installHalvoraToolchain -nosplash|%1").arg(toolchainFolder());
        QCOMPARE(runs, (QStringList{"R2023a" + line, "R2023b" + line}));
        QTRY_VERIFY(QFile::exists(m_helperFolder + "/MatlabToolchainVersion/toolchain_9_15.json"));
        const QMap<QByteArray, QByteArray> pending{{"9.14", "1.3.0"}, {"9.15", "1.3.0"}};
        QCOMPARE(handler.matlabHelper().pendingToolchains(), pending);

        // MATLAB's report completes the installation.
        QSignalSpy installed(&handler, &ToolchainHandler::InstalledToolchainsChanged);
        handler.handleInstallUri("9.14", "Done", 100, 0, false);
        QCOMPARE(progress.lines.constLast(), QStringLiteral("9.14|Done|100"));
        QCOMPARE(installed.size(), 1);
        QCOMPARE(handler.matlabHelper().toolchainVersions(), (QMap<QByteArray, QByteArray>{{"9.14", "1.3.0"}}));
        handler.handleInstallUri("9.15", "Failed", 100, 4, false);
        QCOMPARE(progress.lines.constLast(), QStringLiteral("9.15|Failed|100|error"));
        QCOMPARE(handler.matlabHelper().toolchainVersions().size(), 1);
    }

    // A copy that is not older than the latest toolchain is used at once.
    void currentCopyIsUsedAtOnce_data()
    {
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<bool>("isUninstall");
        QTest::addColumn<bool>("atOnce");
        QTest::newRow("same version") << QByteArray("1.3.0") << false << true;
        QTest::newRow("newer version") << QByteArray("1.4.0") << false << true;
        QTest::newRow("same version, removal") << QByteArray("1.3.0") << true << true;
        QTest::newRow("older version") << QByteArray("1.2.9") << false << false;
        QTest::newRow("older version, removal") << QByteArray("1.2.9") << true << false;
    }
    void currentCopyIsUsedAtOnce()
    {
        QFETCH(QByteArray, local);
        QFETCH(bool, isUninstall);
        QFETCH(bool, atOnce);
        placeLocalCopy(local);
        ToolchainHandler handler(nullptr, settings());
        ProgressLog progress(handler);
        if (isUninstall)
            handler.uninstallToolchain("9.14");
        else
            handler.installToolchain("9.14");
        const QString statement = isUninstall ? "uninstallHalvoraToolchain" : "installHalvoraToolchain";
        if (atOnce) {
            QCOMPARE(progress.of("9.14"), QStringList{starting});
            QVERIFY(!handler.isDownloading());
            QTRY_COMPARE(starts(), QStringList{"R2023a " + statement});
            QCOMPARE(filesOf(toolchainFolder()), oldCopy(local));
            QTest::qWait(100);
            QVERIFY(m_peer->requests().isEmpty());
            if (!isUninstall)
                QCOMPARE(handler.matlabHelper().pendingToolchains().value("9.14"), local);
            return;
        }
        // The old copy serves until the new one is whole.
        QCOMPARE(progress.of("9.14"), QStringList{downloading});
        QCOMPARE(filesOf(toolchainFolder()), oldCopy(local));
        QTRY_COMPARE_WITH_TIMEOUT(progress.of("9.14").size(), 2, 30000);
        QCOMPARE(progress.of("9.14").constLast(), starting);
        QTRY_COMPARE(starts(), QStringList{"R2023a " + statement});
        QCOMPARE(filesOf(toolchainFolder()), newCopy("1.3.0"));
        verifyNothingLeftOver();
    }

    // No package that fails on its way harms the copy in place, and the request that
    // waited for it is answered with the failure and not run later.
    void failedPackagesLeaveTheCopy_data()
    {
        QTest::addColumn<QByteArray>("package"); // null: not on the storage
        QTest::addColumn<QString>("listedDigest");
        QTest::addColumn<QString>("fault");
        const QByteArray archive = ToolchainFixture::zipWithCli(m_goodFiles);
        QTest::newRow("missing on the storage") << QByteArray() << "00"
                                                << "";
        QTest::newRow("storage error page") << goodPackage() << ""
                                            << "html500";
        QTest::newRow("connection cut") << goodPackage() << ""
                                        << "cut";
        QTest::newRow("digest mismatch") << goodPackage() << ExternalTools::sha256sumHex(QByteArray("other")) << "";
        QTest::newRow("wrong key")
            << ExternalTools::opensslEncrypt(archive, VersionInfoCipher::key(), VersionInfoCipher::iv()) << ""
            << "";
        QTest::newRow("empty package") << QByteArray("") << ""
                                       << "";
        QTest::newRow("no ZIP archive") << ToolchainFixture::encrypt("no zip archive") << ""
                                        << "";
        QTest::newRow("truncated archive") << ToolchainFixture::encrypt(archive.left(archive.size() / 2)) << ""
                                           << "";
        QTest::newRow("entry leaves the folder")
            << ToolchainFixture::encrypt(ToolchainFixture::zipWithPython({{"a.m", "a"}, {"../evil.m", "evil"}})) << ""
            << "";
        QTest::newRow("symbolic link")
            << ToolchainFixture::encrypt(ToolchainFixture::zipWithPython({{"a.m", "a"}, {"link", "/", true}})) << ""
            << "";
    }
    void failedPackagesLeaveTheCopy()
    {
        QFETCH(QByteArray, package);
        QFETCH(QString, listedDigest);
        QFETCH(QString, fault);
        placeLocalCopy("1.2.0");
        publish(QStringLiteral("1.3.0-bad"), package, listedDigest);
        if (!fault.isEmpty())
            useStorage(m_peer->faultUrl(fault));
        {
            ToolchainHandler handler(nullptr, settings());
            ProgressLog progress(handler);
            QSignalSpy failures(&handler, &ToolchainHandler::DownloadFailed);
            handler.installToolchain("9.14");
            QTRY_COMPARE_WITH_TIMEOUT(progress.of("9.14").size(), 2, 30000);
            QCOMPARE(progress.of("9.14"), (QStringList{downloading, failed}));
            QCOMPARE(failures.size(), 1);
            QVERIFY(!handler.isDownloading());
            QCOMPARE(filesOf(toolchainFolder()), oldCopy("1.2.0"));
            verifyNothingLeftOver();
            QVERIFY(!QFile::exists(m_helperFolder + "/evil.m"));

            // The next good package serves only the requests made since.
            publish(QStringLiteral("1.4.0"), goodPackage("new"));
            useStorage(m_peer->baseUrl());
            handler.installToolchain("9.15");
            QTRY_COMPARE_WITH_TIMEOUT(progress.of("9.15").size(), 2, 30000);
            QCOMPARE(progress.of("9.15"), (QStringList{downloading, starting}));
            QCOMPARE(filesOf(toolchainFolder()), newCopy("1.4.0", "new"));
            QTRY_COMPARE(starts(), QStringList{"R2023b installHalvoraToolchain"});
            QTest::qWait(100);
            QCOMPARE(starts().size(), 1);
            QCOMPARE(progress.of("9.14").size(), 2);
        }
    }

    // A request runs with the package it waited for, and never again with a later one.
    void requestsRunOnce()
    {
        ToolchainHandler handler(nullptr, settings());
        ProgressLog progress(handler);
        handler.uninstallToolchain("9.14");
        QTRY_COMPARE_WITH_TIMEOUT(starts().size(), 1, 30000);

        publish(QStringLiteral("1.4.0"), goodPackage("new"));
        handler.installToolchain("9.15");
        QTRY_COMPARE_WITH_TIMEOUT(progress.of("9.15").size(), 2, 30000);
        QCOMPARE(filesOf(toolchainFolder()), newCopy("1.4.0", "new"));
        QTRY_COMPARE(starts(), (QStringList{"R2023a uninstallHalvoraToolchain", "R2023b installHalvoraToolchain"}));
        QTest::qWait(100);
        QCOMPARE(starts().size(), 2);
        QCOMPARE(progress.of("9.14"), (QStringList{downloading, starting}));
    }

    // Without the version information (offline, before it ever loaded), a whole copy in
    // place is used; without one there is nothing to install, and no request goes out.
    void withoutVersionInformation_data()
    {
        QTest::addColumn<bool>("hasCopy");
        QTest::newRow("copy in place") << true;
        QTest::newRow("no copy") << false;
    }
    void withoutVersionInformation()
    {
        QFETCH(bool, hasCopy);
        if (hasCopy)
            placeLocalCopy("1.2.0");
        useStorage(QUrl(QStringLiteral("http://127.0.0.1:1/")));
        VersionControl offline;
        ToolchainHandler handler(nullptr, settings(&offline));
        ProgressLog progress(handler);
        QSignalSpy failures(&handler, &ToolchainHandler::DownloadFailed);
        handler.installInAllMatlabs();
        if (hasCopy) {
            QCOMPARE(progress.lines, (QStringList{"9.14|" + starting, "9.15|" + starting}));
            QTRY_COMPARE(starts().size(), 2);
            QCOMPARE(handler.matlabHelper().pendingToolchains().value("9.15"), QByteArray("1.2.0"));
        } else {
            QCOMPARE(progress.lines, (QStringList{"9.14|" + downloading, "9.15|" + downloading}));
            QTRY_COMPARE(failures.size(), 1);
            QTRY_COMPARE(progress.lines.size(), 4);
            QCOMPARE(progress.of("9.15"), (QStringList{downloading, failed}));
            QVERIFY(starts().isEmpty());
        }
        QVERIFY(m_peer->requests().isEmpty());
    }

    // Going away while a download runs: no crash, no worker, the copy in place.
    void destroyedWhileDownloading()
    {
        placeLocalCopy("1.2.0");
        useStorage(m_peer->faultUrl(QStringLiteral("slow")));
        // Seconds for the package, so that the download is surely still running.
        m_peer->setSlowPace(16, 100ms);
        {
            ToolchainHandler handler(nullptr, settings());
            handler.installToolchain("9.14");
            QTRY_VERIFY(!m_peer->requests().isEmpty());
        }
        m_peer->setSlowPace(256, 10ms);
        QTest::qWait(500);
        QVERIFY(starts().isEmpty());
        QCOMPARE(filesOf(toolchainFolder()).filter(QStringLiteral("version=")), QStringList{"version=1.2.0"});
    }
};

QTEST_GUILESS_MAIN(tst_ToolchainHandler)
#include "tst_ToolchainHandler.moc"
