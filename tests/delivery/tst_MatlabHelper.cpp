#include "MatlabHelper.h"

#include "ApplicationFolders.h"
#include "LogCapture.h"
#include "MatlabLocator.h"
#include "support/ExternalTools.h"
#include "support/ToolchainFixture.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Records each command it is given, and when it began and ended.
struct RecordingLauncher
{
    struct Run
    {
        MatlabCommand command;
        qint64 startedMs = 0;
        qint64 endedMs = 0;
    };

    std::chrono::milliseconds duration{0};
    std::mutex lock;
    std::condition_variable changed;
    QList<Run> runs;
    QElapsedTimer clock;
    bool holdFirst = false;
    bool released = false;

    RecordingLauncher() { clock.start(); }

    MatlabHelper::Launcher launcher()
    {
        return [this](const MatlabCommand &command) {
            std::unique_lock guard(lock);
            const qint64 started = clock.elapsed();
            if (holdFirst && runs.isEmpty()) {
                runs.append({command, started, 0});
                changed.notify_all();
                changed.wait(guard, [this] { return released; });
                runs.last().endedMs = clock.elapsed();
                return true;
            }
            guard.unlock();
            std::this_thread::sleep_for(duration);
            guard.lock();
            runs.append({command, started, clock.elapsed()});
            changed.notify_all();
            return true;
        };
    }

    bool waitForRuns(qsizetype count)
    {
        std::unique_lock guard(lock);
        return changed.wait_for(guard, 10s, [&] { return runs.size() >= count; });
    }
};

QString helperFolder()
{
    return ApplicationFolders::instance()
        .subFolder(ApplicationFolders::ProgramDataFolder, MatlabHelper::kFolderName)
        ->absolutePath();
}

} // namespace

// The MATLAB installations, their version texts, the toolchain versions they report
// and the queue of MATLAB starts.
class tst_MatlabHelper : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_roots;

    MatlabHelper::Settings settingsFor(const QStringList &roots, RecordingLauncher *launcher = nullptr)
    {
        MatlabHelper::Settings settings;
        settings.installationRoots = roots;
        if (launcher)
            settings.launch = launcher->launcher();
        return settings;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_roots.isValid());
        QVERIFY(ToolchainFixture::Installations::make(m_roots.filePath(QStringLiteral("MATLAB")),
                                                      {QStringLiteral("R2023a"), QStringLiteral("R2023b")}));
    }

    void init() { QDir(helperFolder()).removeRecursively(); }

    void releaseToVersion_data()
    {
        QTest::addColumn<QByteArray>("release");
        QTest::addColumn<QByteArray>("version");
        QTest::newRow("R2006a") << QByteArray("R2006a") << QByteArray("7.02");
        QTest::newRow("R2006b") << QByteArray("R2006b") << QByteArray("7.03");
        QTest::newRow("R2011b") << QByteArray("R2011b") << QByteArray("7.13");
        QTest::newRow("R2012a") << QByteArray("R2012a") << QByteArray("8.00");
        QTest::newRow("R2012b") << QByteArray("R2012b") << QByteArray("8.01");
        QTest::newRow("R2015b") << QByteArray("R2015b") << QByteArray("8.07");
        QTest::newRow("R2016a") << QByteArray("R2016a") << QByteArray("9.00");
        QTest::newRow("R2016b") << QByteArray("R2016b") << QByteArray("9.01");
        QTest::newRow("R2020b") << QByteArray("R2020b") << QByteArray("9.09");
        QTest::newRow("R2021a") << QByteArray("R2021a") << QByteArray("9.10");
        QTest::newRow("R2023a") << QByteArray("R2023a") << QByteArray("9.14");
        QTest::newRow("R2023b") << QByteArray("R2023b") << QByteArray("9.15");
        QTest::newRow("R2024a") << QByteArray("R2024a") << QByteArray("9.16");
        QTest::newRow("before 2006") << QByteArray("R2005b") << QByteArray();
        QTest::newRow("too short") << QByteArray("R19") << QByteArray();
        QTest::newRow("no release") << QByteArray("matlab") << QByteArray();
    }
    void releaseToVersion()
    {
        QFETCH(QByteArray, release);
        QFETCH(QByteArray, version);
        if (version.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(std::invalid_argument, MatlabHelper::readableMatlabVersion(release));
            return;
        }
        QCOMPARE(MatlabHelper::readableMatlabVersion(release), version);
    }

    void versionToRelease_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<QByteArray>("release");
        QTest::newRow("9.14") << QByteArray("9.14") << QByteArray("R2023a");
        QTest::newRow("9.15") << QByteArray("9.15") << QByteArray("R2023b");
        QTest::newRow("9.09") << QByteArray("9.09") << QByteArray("R2020b");
        QTest::newRow("7.02") << QByteArray("7.02") << QByteArray("R2006a");
        QTest::newRow("7.14") << QByteArray("7.14") << QByteArray("R2012a");
        // The 8 range names the release its version came from, not the one after.
        QTest::newRow("8.00") << QByteArray("8.00") << QByteArray("R2012a");
        QTest::newRow("8.07") << QByteArray("8.07") << QByteArray("R2015b");
        QTest::newRow("before 7.02") << QByteArray("7.01") << QByteArray();
        QTest::newRow("empty") << QByteArray() << QByteArray();
        QTest::newRow("too long") << QByteArray("9.1400") << QByteArray();
        QTest::newRow("no number") << QByteArray("abc") << QByteArray();
    }
    void versionToRelease()
    {
        QFETCH(QByteArray, version);
        QFETCH(QByteArray, release);
        if (release.isEmpty()) {
            QVERIFY_THROWS_EXCEPTION(std::invalid_argument, MatlabHelper::matlabVersionNumber(version));
            return;
        }
        QCOMPARE(MatlabHelper::matlabVersionNumber(version), release);
    }

    // Every release the rows can show comes back under its own name.
    void releaseNamesSurviveTheRoundTrip()
    {
        for (int year = 6; year <= 40; ++year) {
            for (const char letter : {'a', 'b'}) {
                const QByteArray release = QByteArray("R20") + QByteArray::number(year).rightJustified(2, '0') + letter;
                const QByteArray version = MatlabHelper::readableMatlabVersion(release);
                QCOMPARE(MatlabHelper::matlabVersionNumber(version), release);
            }
        }
    }

    void installationPaths_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("expected"); // version=root
        QTest::newRow("program of a release")
            << QStringList{"/usr/local/MATLAB/R2023a/bin/matlab"} << QStringList{"9.14=/usr/local/MATLAB/R2023a"};
        QTest::newRow("below a ProgramData folder")
            << QStringList{"/srv/ProgramData/MATLAB/R2023a/bin/matlab"} << QStringList{};
        QTest::newRow("release before 2006") << QStringList{"/opt/R2005b/bin/matlab"} << QStringList{};
        QTest::newRow("no release folder") << QStringList{"/opt/matlab/bin/matlab"} << QStringList{};
        QTest::newRow("first root of a version stays")
            << QStringList{"/opt/MATLAB/R2023a/bin/matlab", "/usr/local/MATLAB/R2023a/bin/matlab",
                           "/usr/local/MATLAB/R2012a/bin/matlab"}
            << QStringList{"8.00=/usr/local/MATLAB/R2012a", "9.14=/opt/MATLAB/R2023a"};
    }
    void installationPaths()
    {
        QFETCH(QStringList, paths);
        QFETCH(QStringList, expected);
        QMap<QByteArray, QString> installations;
        for (const QString &path : paths)
            MatlabHelper::addInstallationPath(installations, path);
        QStringList found;
        for (auto it = installations.cbegin(); it != installations.cend(); ++it)
            found.append(QString::fromLatin1(it.key()) + QLatin1Char('=') + it.value());
        QCOMPARE(found, expected);
    }

    // Releases are found below the roots only where their program is there to run.
    void installationsAreFoundBelowTheRoots()
    {
        const QString other = m_roots.filePath(QStringLiteral("other"));
        QVERIFY(ToolchainFixture::Installations::make(other, {QStringLiteral("R2023a"), QStringLiteral("R2012b")}));
        QVERIFY(QDir().mkpath(other + QStringLiteral("/R2021a/bin"))); // no program
        QVERIFY(ExternalTools::writeFile(other + QStringLiteral("/R2022a/bin/matlab"),
                                         "#!/bin/sh\n")); // not executable
        QVERIFY(ToolchainFixture::Installations::make(other, {QStringLiteral("R2020a_old")}));
        const QString matlab = m_roots.filePath(QStringLiteral("MATLAB"));

        // A root may also be a release folder itself; a missing root is no error.
        MatlabHelper helper(settingsFor({matlab, other, m_roots.filePath(QStringLiteral("missing")),
                                         other + QStringLiteral("/R2012b")}));
        const QMap<QByteArray, QString> expected{
            {"8.01", other + QStringLiteral("/R2012b/bin/matlab")},
            {"9.14", matlab + QStringLiteral("/R2023a/bin/matlab")},
            {"9.15", matlab + QStringLiteral("/R2023b/bin/matlab")},
        };
        QCOMPARE(helper.installations(), expected);

        qputenv(MatlabLocator::kRootsVariable, other.toUtf8());
        QCOMPARE(MatlabLocator::configuredRoots(), QStringList{other});
        qunsetenv(MatlabLocator::kRootsVariable);
        QCOMPARE(MatlabLocator::configuredRoots(), MatlabLocator::usualRoots());
    }

    void toolchainVersionFiles()
    {
        const QString versions = helperFolder() + QStringLiteral("/MatlabToolchainVersion/");
        QVERIFY(ExternalTools::writeFile(versions + "x_9_5.json", R"({"ToolchainVersion": "1.2.0"})"));
        QVERIFY(ExternalTools::writeFile(versions + "toolchain_9_14.json",
                                         "{\"ToolchainVersion\":\"2.0.0\"}\nwritten by MATLAB\n"));
        QVERIFY(ExternalTools::writeFile(versions + "toolchain_9_15.json", R"({"ToolchainVersion": )"));
        QVERIFY(ExternalTools::writeFile(versions + "toolchain_9_16.json", R"({"ToolchainVersion": 3})"));
        QVERIFY(ExternalTools::writeFile(versions + "toolchain_9_17.json", R"(["ToolchainVersion"])"));
        QVERIFY(ExternalTools::writeFile(versions + "noversion.json", R"({"ToolchainVersion": "9.9.9"})"));
        QVERIFY(ExternalTools::writeFile(versions + "notes.txt", R"({"ToolchainVersion": "9.9.9"})"));
        QVERIFY(QDir().mkpath(versions + "folder_9_18.json"));

        LogCapture log(LogCapture::ofType(QtDebugMsg));
        MatlabHelper helper(settingsFor({}));
        const QMap<QByteArray, QByteArray> expected{{"9.05", "1.2.0"}, {"9.14", "2.0.0"}};
        QCOMPARE(helper.toolchainVersions(), expected);
        QCOMPARE(log.countStartingWith(QStringLiteral("Could not parse version file")), 4);
    }

    // One command after the other, in the order queued, each started in the toolchain
    // folder with the statement.
    void commandsRunOneAtATimeInOrder()
    {
        RecordingLauncher launcher;
        launcher.duration = 200ms;
        MatlabHelper helper(settingsFor({m_roots.filePath(QStringLiteral("MATLAB"))}, &launcher));
        const QByteArray folder = m_roots.filePath(QStringLiteral("toolchain")).toUtf8();
        QCOMPARE(helper.installToolchain("9.15", folder, "1.3.0"), 0);
        QCOMPARE(helper.uninstallToolchain("9.14", folder), 0);
        QCOMPARE(helper.runMatlab("9.14", MatlabHelper::kInstallStatement, folder), 0);
        QVERIFY(launcher.waitForRuns(3));

        const QString matlab = m_roots.filePath(QStringLiteral("MATLAB"));
        const auto expected = [&](const char *release, const char *statement) {
            return MatlabCommand{matlab + QLatin1Char('/') + QLatin1String(release) + QStringLiteral("/bin/matlab"),
                                 {"-sd", QString::fromUtf8(folder), "-r", statement, "-nosplash"},
                                 QString::fromUtf8(folder)};
        };
        std::lock_guard guard(launcher.lock);
        QCOMPARE(launcher.runs.size(), 3);
        QCOMPARE(launcher.runs.at(0).command, expected("R2023b", MatlabHelper::kInstallStatement));
        QCOMPARE(launcher.runs.at(1).command, expected("R2023a", MatlabHelper::kUninstallStatement));
        QCOMPARE(launcher.runs.at(2).command, expected("R2023a", MatlabHelper::kInstallStatement));
        for (qsizetype i = 1; i < launcher.runs.size(); ++i)
            QVERIFY(launcher.runs.at(i).startedMs >= launcher.runs.at(i - 1).endedMs);
    }

    // Commands still queued when the helper goes are dropped; the one being started
    // is waited for.
    void destructionDropsQueuedCommands()
    {
        RecordingLauncher launcher;
        launcher.holdFirst = true;
        std::thread release;
        {
            MatlabHelper helper(settingsFor({m_roots.filePath(QStringLiteral("MATLAB"))}, &launcher));
            QCOMPARE(helper.installToolchain("9.14", "/t", "1.0.0"), 0);
            QVERIFY(launcher.waitForRuns(1));
            QCOMPARE(helper.installToolchain("9.15", "/t", "1.0.0"), 0);
            QCOMPARE(helper.uninstallToolchain("9.14", "/t"), 0);
            release = std::thread([&launcher] {
                std::this_thread::sleep_for(100ms);
                std::lock_guard guard(launcher.lock);
                launcher.released = true;
                launcher.changed.notify_all();
            });
        }
        release.join();
        std::lock_guard guard(launcher.lock);
        QCOMPARE(launcher.runs.size(), 1);
        QVERIFY(launcher.runs.at(0).endedMs > 0);
    }

    void unknownInstallationIsRefused()
    {
        RecordingLauncher launcher;
        MatlabHelper helper(settingsFor({m_roots.filePath(QStringLiteral("MATLAB"))}, &launcher));
        LogCapture log(LogCapture::everyLine());
        QCOMPARE(helper.installToolchain("9.16", "/t", "1.0.0"), -1);
        QCOMPARE(helper.uninstallToolchain("R2023a", "/t"), -1);
        QCOMPARE(helper.runMatlab("", MatlabHelper::kInstallStatement, "/t"), -1);
        QVERIFY(helper.pendingToolchains().isEmpty());
        QCOMPARE(log.count(QStringLiteral("No MATLAB installation with version 9.16 available")), 1);
        QTest::qWait(50);
        std::lock_guard guard(launcher.lock);
        QVERIFY(launcher.runs.isEmpty());
    }

    void reportsCompleteOnlyAtTheEnd_data()
    {
        QTest::addColumn<int>("progress");
        QTest::addColumn<int>("flags");
        QTest::addColumn<bool>("completes");
        QTest::newRow("done") << 100 << 0 << true;
        QTest::newRow("done with note flag 2") << 100 << 2 << true;
        QTest::newRow("done with flag 1") << 100 << 1 << false;
        QTest::newRow("done with flags 3") << 100 << 3 << false;
        QTest::newRow("done with flag 4") << 100 << 4 << false;
        QTest::newRow("under way") << 99 << 0 << false;
    }
    void reportsCompleteOnlyAtTheEnd()
    {
        QFETCH(int, progress);
        QFETCH(int, flags);
        QFETCH(bool, completes);
        RecordingLauncher launcher;
        MatlabHelper helper(settingsFor({m_roots.filePath(QStringLiteral("MATLAB"))}, &launcher));
        QCOMPARE(helper.installToolchain("9.14", "/t", "1.3.0"), 0);
        // A second request before the report keeps the version of the first.
        QCOMPARE(helper.installToolchain("9.14", "/t", "1.4.0"), 0);
        QCOMPARE(helper.pendingToolchains(), (QMap<QByteArray, QByteArray>{{"9.14", "1.3.0"}}));

        helper.completeInstallation("9.14", progress, flags, false);
        if (!completes) {
            QVERIFY(helper.toolchainVersions().isEmpty());
            QCOMPARE(helper.pendingToolchains().size(), 1);
            return;
        }
        QCOMPARE(helper.toolchainVersions(), (QMap<QByteArray, QByteArray>{{"9.14", "1.3.0"}}));
        QVERIFY(helper.pendingToolchains().isEmpty());

        // The removal ends the same way and takes the record away.
        QCOMPARE(helper.uninstallToolchain("9.14", "/t"), 0);
        helper.completeInstallation("9.14", progress, flags, true);
        QVERIFY(helper.toolchainVersions().isEmpty());
        QVERIFY(helper.pendingToolchains().isEmpty());
    }

    void reportWithoutPendingInstallation()
    {
        MatlabHelper helper(settingsFor({m_roots.filePath(QStringLiteral("MATLAB"))}));
        LogCapture log(LogCapture::ofType(QtDebugMsg));
        helper.completeInstallation("9.15", 100, 0, false);
        QCOMPARE(log.count(QStringLiteral("No pending installation with version 9.15")), 1);
        QCOMPARE(helper.toolchainVersions(), (QMap<QByteArray, QByteArray>{{"9.15", ""}}));
    }
};

QTEST_GUILESS_MAIN(tst_MatlabHelper)
#include "tst_MatlabHelper.moc"
