#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

// Turns the program's "halvora:" links into commands for the managers:
//   halvora:upload_app?file=...&version=...&build=...&boardType=...&flags=...
//   halvora:install_tc?version=...&progress=...&flags=...&msg=...  (and uninstall_tc)
// A link of another scheme, of another command or without its required items is
// logged and dropped. The values are passed on unchecked; their receivers check them.
class UriDistributor : public QObject
{
    Q_OBJECT

public:
    static constexpr char kScheme[] = "halvora";

    explicit UriDistributor(QObject *parent = nullptr);

public slots:
    void urlReceived(const QUrl &url);

signals:
    void AppBinManagerUriReceived(QString filePath, QString version, QString buildID, QString boardType, int flags);
    void InstallToolchainUriReceived(QString version, QString msg, int progress, int flags, bool isUninstall);

private:
    void uploadApp(const QUrl &url);
    void toolchainCommand(const QUrl &url, bool isUninstall);
};
