#include "UriDistributor.h"

#include <QDebug>
#include <QUrlQuery>

namespace {

// Numbers are unsigned decimals handed on as signed 32-bit values, so values above
// 2147483647 arrive negative; text that is no number reads as 0.
int queryNumber(const QUrlQuery &query, const QString &key)
{
    return static_cast<int>(query.queryItemValue(key).toUInt());
}

} // namespace

UriDistributor::UriDistributor(QObject *parent)
    : QObject(parent)
{
}

void UriDistributor::urlReceived(const QUrl &url)
{
    if (url.scheme() != QLatin1String(kScheme)) {
        qWarning() << "invalid url scheme passed to application, check if service is calling halvora correctly";
        return;
    }
    qDebug() << "uri received by distributor";
    qDebug() << url;
    qDebug() << url.query();
    qDebug() << url.host();

    const QString command = url.path(QUrl::FullyDecoded);
    if (command == QLatin1String("upload_app"))
        uploadApp(url);
    else if (command == QLatin1String("install_tc") || command == QLatin1String("uninstall_tc"))
        toolchainCommand(url, command == QLatin1String("uninstall_tc"));
}

void UriDistributor::uploadApp(const QUrl &url)
{
    const QUrlQuery query(url);
    if (!query.hasQueryItem(QStringLiteral("file"))) {
        qWarning() << "query file not set";
        return;
    }
    const QString file = query.queryItemValue(QStringLiteral("file"), QUrl::FullyDecoded);
    QString version = QStringLiteral("N/A");
    if (query.hasQueryItem(QStringLiteral("version")))
        version = query.queryItemValue(QStringLiteral("version"), QUrl::FullyDecoded);
    const int flags = queryNumber(query, QStringLiteral("flags"));
    const QString buildID = query.queryItemValue(QStringLiteral("build"));
    const QString boardType = query.queryItemValue(QStringLiteral("boardType"));
    emit AppBinManagerUriReceived(file, version, buildID, boardType, flags);
}

void UriDistributor::toolchainCommand(const QUrl &url, bool isUninstall)
{
    const QUrlQuery query(url);
    for (const char *required : {"version", "progress", "flags"}) {
        if (!query.hasQueryItem(QLatin1String(required))) {
            qWarning().nospace() << "query " << required << " not set";
            return;
        }
    }
    emit InstallToolchainUriReceived(query.queryItemValue(QStringLiteral("version")),
                                     query.queryItemValue(QStringLiteral("msg")),
                                     queryNumber(query, QStringLiteral("progress")),
                                     queryNumber(query, QStringLiteral("flags")), isUninstall);
}
