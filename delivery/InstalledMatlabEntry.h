#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

class ToolchainHandler;

// One MATLAB release in the toolchain panel: the toolchain installed there, the last
// message of a running installation or removal, and the buttons' requests. While the
// panel is hidden, a running request shows its progress as a notification instead.
//
// Main thread only.
class InstalledMatlabEntry : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString matlabVersion READ matlabVersion CONSTANT)
    Q_PROPERTY(QString readableMatlabVersion READ readableMatlabVersion CONSTANT)
    Q_PROPERTY(QString toolchainVersion READ toolchainVersion NOTIFY InstalledToolchainVersionChanged)
    Q_PROPERTY(bool isInstalled READ isInstalled NOTIFY InstalledToolchainVersionChanged)
    Q_PROPERTY(QString latestToolchainVersion READ latestToolchainVersion NOTIFY LatestToolchainVersionChanged)
    Q_PROPERTY(bool newVersionAvailable READ newVersionAvailable NOTIFY LatestToolchainVersionChanged)
    Q_PROPERTY(QString installButtonText READ installButtonText NOTIFY InstalledToolchainVersionChanged)
    Q_PROPERTY(QString readableMsg READ readableMsg NOTIFY ReadableMsgChanged)
    Q_PROPERTY(bool errorHappened READ errorHappened NOTIFY ErrorHappenedChanged)

public:
    // Throws std::invalid_argument when the MATLAB version names no release.
    InstalledMatlabEntry(QObject *parent, ToolchainHandler *handler, const QByteArray &matlabVersion);

    QString matlabVersion() const { return m_matlabVersion; }
    QString readableMatlabVersion() const { return m_readableMatlabVersion; }
    QString toolchainVersion() const { return m_toolchainVersion; }
    bool isInstalled() const { return !m_toolchainVersion.isEmpty(); }
    QString latestToolchainVersion() const { return m_latestToolchainVersion; }
    bool newVersionAvailable() const;
    QString installButtonText() const;
    QString readableMsg() const { return m_readableMsg; }
    bool errorHappened() const { return m_errorHappened; }
    // A request was sent and its end (progress 100) has not been reported.
    bool isBusy() const { return m_busy; }
    // The key of the progress notification posted for this release; 0 when none.
    int notificationKey() const { return m_notificationKey; }

    void setToolchainVersion(const QString &version);
    void setLatestToolchainVersion(const QString &version);
    void setPanelVisible(bool visible);

    Q_INVOKABLE void install();
    Q_INVOKABLE void uninstall();

public slots:
    void progressUpdated(QString version, QString msg, int progress, bool isError);

signals:
    void InstalledToolchainVersionChanged();
    void LatestToolchainVersionChanged();
    void ReadableMsgChanged(QString msg);
    void ErrorHappenedChanged(bool errorHappened);

private:
    void startRequest(const QString &title);
    void postProgressNotification(const QString &message);
    void removeProgressNotification();

    QString m_matlabVersion;
    QString m_readableMatlabVersion;
    QString m_toolchainVersion;
    QString m_latestToolchainVersion;
    QString m_readableMsg;
    bool m_errorHappened = false;
    QString m_progressTitle;
    bool m_panelVisible = false;
    bool m_busy = false;
    int m_notificationKey = 0;
    ToolchainHandler *m_handler;
};
