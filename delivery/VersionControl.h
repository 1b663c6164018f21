#pragma once

#include "DownloadResult.h"
#include "SemanticVersion.h"
#include "VersionTables.h"

#include <QDir>
#include <QFutureWatcher>
#include <QMap>
#include <QObject>
#include <QReadWriteLock>
#include <QString>

#include <optional>

// The maker's published version information: which versions of every device,
// firmware component, toolchain and application release exist, which is the latest,
// and where each version's file lies with its digest.
//
// It is fetched as "versionInfo.data" (AES-256-CBC of a JSON document, followed by the
// SHA-256 of the ciphertext) into the "Version" application-data folder and kept
// there whole, so a later start without network can check and read it again.
//
// Lives on the main thread. The queries may be called from any thread: a load
// replaces the tables whole under a lock, and every query returns a copy.
class VersionControl : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool halvoraUpdateAvailable READ getHalvoraUpdateStatus NOTIFY halvoraUpdateAvailable)

public:
    static constexpr char kFileName[] = "versionInfo.data";
    // The application's own entry in the components table.
    static constexpr char kApplicationComponent[] = "HalvoraStudio";
    static constexpr int kDocumentFormat = 1;

    explicit VersionControl(QObject *parent = nullptr);

    // The process-wide object, made by the first caller and never destroyed.
    static VersionControl *instance();

    // Stores the running version and starts the first download. -1 when there is no
    // folder for the file (the version is stored all the same).
    int setApplicationVersion(SemanticVersion version);

    // Starts a new download of the version information; -1 when one is still running
    // or there is no folder for the file, else 0.
    int refresh();

    // Empty results for names and versions that are not listed.
    QString latestDeviceVersion(const QString &device) const;
    QMap<QString, QString> deviceComponentVersions(const QString &device, const QString &deviceVersion) const;
    // The first device version, in ascending order, whose listed components all have
    // the given versions (components it does not list are not looked at).
    QString deviceVersionFromComponents(const QString &device, const QMap<QString, QString> &componentVersions) const;
    QString latestComponentVersion(const QString &component) const;
    ComponentFile componentFile(const QString &component, const QString &version) const;

    // The local copy of the file; empty when there is no folder for it.
    QString versionFilePath() const;

public slots:
    bool getHalvoraUpdateStatus() const;
    void handleDownloadsReady();
    void handleDownloadError(int index);

signals:
    // After every load attempt, successful or not.
    void VersionControlUpdated();
    // A load found a newer release of the application than the one running.
    void halvoraUpdateAvailable();

private:
    int loadVersionInfo();
    QByteArray readVersionFile() const;
    void checkForApplicationUpdate();

    std::optional<QDir> m_versionFolder;
    QFutureWatcher<DownloadResult> m_downloadWatcher;
    int m_pendingDownloads = 0;
    SemanticVersion m_runningVersion;
    bool m_updateAvailable = false;

    mutable QReadWriteLock m_tablesLock;
    VersionTables m_tables;
};
