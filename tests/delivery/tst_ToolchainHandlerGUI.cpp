#include "ToolchainHandlerGUI.h"

#include "ApplicationFolders.h"
#include "DownloadStorage.h"
#include "ErrorHandler.h"
#include "InstalledMatlabEntry.h"
#include "StoragePeer.h"
#include "VersionControl.h"
#include "support/ExternalTools.h"
#include "support/ToolchainFixture.h"
#include "support/VersionInfoFixture.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <future>
#include <thread>

using namespace std::chrono_literals;

// The toolchain panel's rows: what they show of the installer's progress, their
// notifications while the panel is hidden, and their buttons' requests.
class tst_ToolchainHandlerGUI : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_storageDir;
    QTemporaryDir m_matlabRoot;
    std::unique_ptr<StoragePeer> m_peer;
    std::unique_ptr<VersionControl> m_versions;
    QString m_helperFolder;

    QString toolchainFolder() const { return m_helperFolder + QStringLiteral("/ToolchainInstall"); }
    void useStorage(const QUrl &base) { qputenv(DownloadStorage::kBaseVariable, base.toString().toUtf8()); }

    ToolchainHandler::Settings settings(VersionControl *versions = nullptr)
    {
        ToolchainHandler::Settings settings;
        settings.versions = versions ? versions : m_versions.get();
        settings.matlab.installationRoots = QStringList{m_matlabRoot.path()};
        settings.matlab.launch = [](const MatlabCommand &) { return true; };
        return settings;
    }

    void placeLocalCopy(const QByteArray &version)
    {
        QVERIFY(ExternalTools::writeFile(toolchainFolder() + QStringLiteral("/installHalvoraToolchain.m"), "old"));
        QVERIFY(ExternalTools::writeFile(toolchainFolder() + QStringLiteral("/version"), version));
    }

    // The listed notifications with this title.
    static QList<AbstractNotification *> notificationsTitled(const QString &title)
    {
        QList<AbstractNotification *> found;
        for (AbstractNotification *notification : ErrorHandler::instance()->getNotificationList()) {
            if (notification->getTitle() == title)
                found.append(notification);
        }
        return found;
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setOrganizationName(QStringLiteral("Ostrel"));
        QCoreApplication::setApplicationName(QStringLiteral("Halvora Lab"));
        QVERIFY(m_storageDir.isValid());
        QVERIFY(ToolchainFixture::Installations::make(m_matlabRoot.path(),
                                                      {QStringLiteral("R2023a"), QStringLiteral("R2023b")}));
        const QByteArray package = ToolchainFixture::encrypt(ToolchainFixture::zipWithCli({{"a.m", "a"}}));
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath("halvora/toolchain/tc.data"), package));
        QVERIFY(ExternalTools::writeFile(m_storageDir.filePath("halvora/versionInfo.data"),
                                         VersionInfoFixture::file(ToolchainFixture::versionDocument(
                                             "1.3.0", "toolchain/tc.data", ExternalTools::sha256sumHex(package)))));
        m_peer = std::make_unique<StoragePeer>(m_storageDir.path());
        QVERIFY(m_peer->start());
        useStorage(m_peer->baseUrl());
        m_versions = std::make_unique<VersionControl>();
        QSignalSpy updated(m_versions.get(), &VersionControl::VersionControlUpdated);
        QCOMPARE(m_versions->refresh(), 0);
        QVERIFY(updated.wait(20000));
        m_helperFolder = ApplicationFolders::instance()
                             .subFolder(ApplicationFolders::ProgramDataFolder, MatlabHelper::kFolderName)
                             ->absolutePath();
    }

    void init()
    {
        QDir(m_helperFolder).removeRecursively();
        ErrorHandler::instance()->clearNotifications();
        QTest::qWait(0);
    }

    void rowsForEveryRelease()
    {
        QVERIFY(ExternalTools::writeFile(m_helperFolder + "/MatlabToolchainVersion/toolchain_9_15.json",
                                         R"({"ToolchainVersion":"1.2.0"})"));
        ToolchainHandlerGUI panel(nullptr, settings());
        const QList<InstalledMatlabEntry *> rows = panel.installedMatlabs();
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0)->matlabVersion(), QStringLiteral("9.14"));
        QCOMPARE(rows.at(0)->readableMatlabVersion(), QStringLiteral("R2023a"));
        QCOMPARE(rows.at(0)->toolchainVersion(), QString());
        QVERIFY(!rows.at(0)->isInstalled());
        QCOMPARE(rows.at(1)->readableMatlabVersion(), QStringLiteral("R2023b"));
        QCOMPARE(rows.at(1)->toolchainVersion(), QStringLiteral("1.2.0"));
        QVERIFY(rows.at(1)->isInstalled());
        QCOMPARE(panel.property("installedMatlabs").value<QList<InstalledMatlabEntry *>>(), rows);

        // Without MATLAB there are no rows.
        auto none = settings();
        none.matlab.installationRoots = QStringList{m_storageDir.path()};
        ToolchainHandlerGUI empty(nullptr, none);
        QVERIFY(empty.installedMatlabs().isEmpty());

        // The latest version reaches every row once the installer knows it.
        QTRY_COMPARE(rows.at(0)->latestToolchainVersion(), QStringLiteral("1.3.0"));
        QCOMPARE(rows.at(1)->latestToolchainVersion(), QStringLiteral("1.3.0"));
        QCOMPARE(rows.at(1)->installButtonText(), QStringLiteral("Update to 1.3.0"));
    }

    void installButtonText_data()
    {
        QTest::addColumn<QString>("installed");
        QTest::addColumn<QString>("latest");
        QTest::addColumn<bool>("newVersion");
        QTest::addColumn<QString>("text");
        QTest::newRow("older installed") << "1.2.0"
                                         << "1.3.0" << true << "Update to 1.3.0";
        QTest::newRow("latest installed") << "1.3.0"
                                          << "1.3.0" << false << "Reinstall";
        QTest::newRow("newer installed") << "1.4.0"
                                         << "1.3.0" << false << "Reinstall";
        QTest::newRow("latest unknown") << "1.2.0"
                                        << "" << false << "Reinstall";
        QTest::newRow("nothing installed") << ""
                                           << "1.3.0" << true << "Install 1.3.0";
        QTest::newRow("nothing known") << ""
                                       << "" << false << "Install ";
    }
    void installButtonText()
    {
        QFETCH(QString, installed);
        QFETCH(QString, latest);
        QFETCH(bool, newVersion);
        QFETCH(QString, text);
        ToolchainHandlerGUI panel(nullptr, settings());
        InstalledMatlabEntry *row = panel.installedMatlabs().constFirst();
        QSignalSpy installedChanged(row, &InstalledMatlabEntry::InstalledToolchainVersionChanged);
        QSignalSpy latestChanged(row, &InstalledMatlabEntry::LatestToolchainVersionChanged);
        row->setToolchainVersion(installed);
        row->setLatestToolchainVersion(latest);
        QCOMPARE(installedChanged.size(), 1);
        QCOMPARE(latestChanged.size(), 1);
        QCOMPARE(row->isInstalled(), !installed.isEmpty());
        QCOMPARE(row->newVersionAvailable(), newVersion);
        QCOMPARE(row->installButtonText(), text);
    }

    // A report reaches its own row only; while the panel is hidden it also stands in
    // the notification list, once per row, until the panel is shown again.
    void reportsReachTheirRow()
    {
        placeLocalCopy("1.3.0");
        ToolchainHandlerGUI panel(nullptr, settings());
        InstalledMatlabEntry *a = panel.installedMatlabs().at(0);
        InstalledMatlabEntry *b = panel.installedMatlabs().at(1);
        const QString titleA = QStringLiteral("Installing toolchain in MATLAB R2023a");
        panel.setVisibility(true);

        a->install();
        QVERIFY(a->isBusy());
        QCOMPARE(a->readableMsg(), QStringLiteral("Starting MATLAB."));
        QCOMPARE(b->readableMsg(), QString());

        // Shown: the row changes, nothing is posted.
        panel.installToolchainUriReceived("9.14", "Copying files", 30, 0, false);
        QCOMPARE(a->readableMsg(), QStringLiteral("Copying files"));
        QCOMPARE(b->readableMsg(), QString());
        QVERIFY(notificationsTitled(titleA).isEmpty());

        // Hidden: the running request is posted with its last message, and a report
        // replaces that notification.
        panel.setVisibility(false);
        QCOMPARE(notificationsTitled(titleA).size(), 1);
        QCOMPARE(notificationsTitled(titleA).constFirst()->getMessage(), QStringLiteral("Copying files"));
        QCOMPARE(notificationsTitled(titleA).constFirst()->getLevel(), halvora::ErrorLevel::Info);
        panel.setVisibility(false);
        QCOMPARE(notificationsTitled(titleA).size(), 1);
        panel.installToolchainUriReceived("9.14", "Adding paths", 60, 0, false);
        QCOMPARE(notificationsTitled(titleA).size(), 1);
        QCOMPARE(notificationsTitled(titleA).constFirst()->getMessage(), QStringLiteral("Adding paths"));
        QCOMPARE(ErrorHandler::instance()->getNotificationCount(), 1u);
        QVERIFY(b->notificationKey() == 0);

        // Shown again: gone.
        panel.setVisibility(true);
        QVERIFY(notificationsTitled(titleA).isEmpty());
        QCOMPARE(a->notificationKey(), 0);

        // The end of the request: hiding posts nothing any more.
        panel.installToolchainUriReceived("9.14", "Done", 100, 0, false);
        QVERIFY(!a->isBusy());
        QVERIFY(!a->errorHappened());
        panel.setVisibility(false);
        QTest::qWait(0);
        QCOMPARE(ErrorHandler::instance()->getNotificationCount(), 0u);

        // The report completed the installation: the row shows the toolchain, the
        // other row, where nothing is installed, stays empty.
        QTRY_COMPARE(a->toolchainVersion(), QStringLiteral("1.3.0"));
        QCOMPARE(b->toolchainVersion(), QString());
    }

    void errorReports_data()
    {
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("error");
        QTest::addColumn<bool>("busy");
        QTest::newRow("failed at the end") << 100 << 4 << true << false;
        QTest::newRow("failing on the way") << 40 << 1 << true << true;
        QTest::newRow("fine on the way") << 40 << 0 << false << true;
    }
    void errorReports()
    {
        QFETCH(int, progress);
        QFETCH(int, flags);
        QFETCH(bool, error);
        QFETCH(bool, busy);
        placeLocalCopy("1.3.0");
        ToolchainHandlerGUI panel(nullptr, settings());
        panel.setVisibility(true);
        InstalledMatlabEntry *row = panel.installedMatlabs().at(1);
        row->install();
        QSignalSpy errorChanged(row, &InstalledMatlabEntry::ErrorHappenedChanged);
        panel.installToolchainUriReceived("9.15", "MATLAB says no", progress, flags, false);
        QCOMPARE(row->readableMsg(), QStringLiteral("MATLAB says no"));
        QCOMPARE(row->errorHappened(), error);
        QCOMPARE(errorChanged.size(), 1);
        QCOMPARE(row->isBusy(), busy);
        // A new request starts without the old error.
        row->install();
        QVERIFY(!row->errorHappened());
    }

    // A removal where nothing is installed sends no request and leaves the row idle.
    void removalOfNothing()
    {
        ToolchainHandlerGUI panel(nullptr, settings());
        InstalledMatlabEntry *row = panel.installedMatlabs().at(0);
        row->uninstall();
        QVERIFY(!row->isBusy());
        QVERIFY(!panel.handler().isDownloading());
        panel.setVisibility(false);
        QCOMPARE(ErrorHandler::instance()->getNotificationCount(), 0u);
    }

    // A package that cannot be had ends the waiting row's request with an error.
    void downloadFailureReachesTheRow()
    {
        useStorage(QUrl(QStringLiteral("http://127.0.0.1:1/")));
        VersionControl offline;
        ToolchainHandlerGUI panel(nullptr, settings(&offline));
        panel.setVisibility(false);
        InstalledMatlabEntry *row = panel.installedMatlabs().at(0);
        row->install();
        QCOMPARE(row->readableMsg(), QStringLiteral("Downloading latest toolchain version."));
        QTRY_COMPARE(row->readableMsg(), QStringLiteral("Downloading the toolchain failed."));
        QVERIFY(row->errorHappened());
        QVERIFY(!row->isBusy());
        const auto posted = notificationsTitled(QStringLiteral("Installing toolchain in MATLAB R2023a"));
        QCOMPARE(posted.size(), 1);
        QCOMPARE(posted.constFirst()->getMessage(), QStringLiteral("Downloading the toolchain failed."));
        useStorage(m_peer->baseUrl());
    }

    // The worker's reports reach the rows on the main thread, and the worker waits
    // for each.
    void reportsFromTheWorker()
    {
        placeLocalCopy("1.2.0");
        ToolchainHandlerGUI panel(nullptr, settings());
        panel.setVisibility(true);
        InstalledMatlabEntry *a = panel.installedMatlabs().at(0);
        InstalledMatlabEntry *b = panel.installedMatlabs().at(1);
        QSignalSpy aMessages(a, &InstalledMatlabEntry::ReadableMsgChanged);
        a->install();
        b->install();
        QTRY_COMPARE_WITH_TIMEOUT(a->readableMsg(), QStringLiteral("Starting MATLAB."), 20000);
        QTRY_COMPARE(b->readableMsg(), QStringLiteral("Starting MATLAB."));
        QCOMPARE(aMessages.size(), 2);
        QCOMPARE(aMessages.at(0).at(0).toString(), QStringLiteral("Downloading latest toolchain version."));

        std::thread worker([&panel] {
            emit panel.handler().InstallProgressUpdatedFromThread("9.15", "From a thread", 50, false);
        });
        QTRY_COMPARE(b->readableMsg(), QStringLiteral("From a thread"));
        worker.join();
    }

    // The panel goes while the installer's worker waits for a row to take its report:
    // the worker is let go and joined, nothing hangs.
    void destroyedWhileTheWorkerReports()
    {
        placeLocalCopy("1.2.0");
        auto panel = std::make_unique<ToolchainHandlerGUI>(nullptr, settings());
        std::atomic<bool> unpacked = false;
        std::promise<void> go;
        std::shared_future<void> goSignal = go.get_future().share();
        connect(
            &panel->handler(), &ToolchainHandler::DownloadCompleted, &panel->handler(),
            [&unpacked, goSignal] {
                unpacked = true;
                goSignal.wait();
            },
            Qt::DirectConnection);
        panel->installedMatlabs().at(0)->install();
        QTRY_VERIFY_WITH_TIMEOUT(unpacked.load(), 20000);
        // From here on the main thread delivers nothing: the worker's next report waits.
        go.set_value();
        std::this_thread::sleep_for(100ms);
        panel.reset();
        QVERIFY(QFile::exists(toolchainFolder() + QStringLiteral("/a.m")));
    }
};

QTEST_GUILESS_MAIN(tst_ToolchainHandlerGUI)
#include "tst_ToolchainHandlerGUI.moc"
