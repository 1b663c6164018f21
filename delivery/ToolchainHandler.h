#pragma once

#include "DownloadResult.h"
#include "MatlabHelper.h"

#include <QByteArray>
#include <QFutureWatcher>
#include <QMap>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class VersionControl;

// Installs the MATLAB toolchain into the MATLAB installations of this machine.
//
// One unpacked copy of the latest published toolchain package is kept in the shared
// folder "MatlabHelper/ToolchainInstall" with a "version" file naming its version;
// MATLAB is started in that folder to install from it. A request for a release is
// carried out at once when the copy is current. Otherwise it waits while the package
// is downloaded, checked, decrypted and unpacked beside the copy, which the new one
// replaces in one step only when it is whole; every waiting request then runs once.
// A package that fails on the way leaves the copy as it was, and the waiting
// requests are answered with the failure.
//
// Lives on the main thread. The package is checked and unpacked on a worker thread of
// its own, which reports through the *FromThread signal and DownloadCompleted and
// DownloadFailed from there.
class ToolchainHandler : public QObject
{
    Q_OBJECT

public:
    static constexpr char kComponent[] = "HalvoraMatlabToolchain";
    static constexpr char kFolderName[] = "MatlabHelper/ToolchainInstall";
    static constexpr char kPackageFileName[] = "HalvoraMatlabToolchain.data";
    static constexpr char kVersionFileName[] = "version";

    // The texts the rows show for a request.
    static constexpr char kStartingText[] = "Starting MATLAB.";
    static constexpr char kDownloadingText[] = "Downloading latest toolchain version.";
    static constexpr char kFailedText[] = "Downloading the toolchain failed.";

    struct Settings
    {
        // The process-wide version information when not given.
        VersionControl *versions = nullptr;
        MatlabHelper::Settings matlab;
    };

    explicit ToolchainHandler(QObject *parent = nullptr);
    ToolchainHandler(QObject *parent, Settings settings);
    // Stops and joins the worker; see stop().
    ~ToolchainHandler() override;

    // Ends the worker: it gives up at its next step (nothing half-unpacked replaces the
    // copy) and is joined. While it waits, releaseBlockedDeliveries is called again and
    // again: it must free a worker blocked in delivering a FromThread signal (for
    // a blocking queued connection, by removing the posted events of its receivers).
    void stop(const std::function<void()> &releaseBlockedDeliveries = {});

    MatlabHelper &matlabHelper() { return *m_matlabHelper; }
    const MatlabHelper &matlabHelper() const { return *m_matlabHelper; }
    VersionControl *versionControl() const { return m_versions; }
    // The folder of the unpacked copy; empty when it could not be made.
    QString toolchainFolderPath() const;
    // The latest published version, as last read from the version information.
    QByteArray latestVersion() const { return m_latestVersion; }
    bool isDownloading() const;

    // Requests from the toolchain panel.
    void installToolchain(const QByteArray &matlabVersion);
    void uninstallToolchain(const QByteArray &matlabVersion);
    void installInAllMatlabs();
    // MATLAB's progress report, received as the link install_tc or uninstall_tc.
    void handleInstallUri(const QByteArray &version, const QByteArray &msg, int progress, int flags, bool isUninstall);

public slots:
    void handleDownloadsReady();
    void handleDownloadError(int index);
    void queryToolchainVersion();

signals:
    void VersionInfoAvailable();
    void InstalledToolchainsChanged();
    // A package was unpacked and has replaced the copy (worker thread).
    void DownloadCompleted();
    // A download, check, decryption or unpacking failed; the copy stays as it was.
    void DownloadFailed();
    void InstallProgressUpdated(QString version, QString msg, int progress, bool isError);
    // The same, emitted on the worker thread.
    void InstallProgressUpdatedFromThread(QString version, QString msg, int progress, bool isError);

private:
    // What the version information listed when the download started.
    struct Package
    {
        QByteArray version;
        QString file;
        QString sha256;
    };
    enum class Emitter { MainThread, Worker };

    void request(const QByteArray &matlabVersion, bool isUninstall);
    void startInMatlab(const QByteArray &matlabVersion, bool isUninstall, const QByteArray &toolchainVersion,
                       Emitter emitter);
    bool isLocalToolchainCurrent(const QByteArray &latest) const;
    QByteArray localVersion() const;
    void downloadToolchain();
    void failDownload(Emitter emitter);
    void processDownloadedToolchain(const Package &package);
    QByteArray readToolchainData(const Package &package) const;
    bool unpackIntoStaging(const QByteArray &archive, const Package &package);
    void reportProgress(Emitter emitter, const QByteArray &version, const QString &msg, int progress, bool isError);
    QString stagingFolderPath() const;

    std::unique_ptr<MatlabHelper> m_matlabHelper;
    VersionControl *m_versions;
    // Absolute; empty when there is none. Set once, read by the worker too.
    QString m_toolchainFolder;
    QByteArray m_latestVersion;
    QFutureWatcher<DownloadResult> m_downloadWatcher;
    Package m_downloadingPackage;
    bool m_downloadFailed = false;

    // Guards the pending requests, the downloading flag and the swap of the copy, so
    // that a request either finds the new copy or is taken by the worker.
    mutable std::mutex m_pendingLock;
    QMap<QByteArray, bool> m_pendingInstallations;
    bool m_downloading = false;

    std::thread m_worker;
    std::atomic<bool> m_workerRunning = false;
    std::atomic<bool> m_stopping = false;
};
